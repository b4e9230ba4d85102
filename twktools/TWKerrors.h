// Errors that cross the store component's boundary. Header-only on purpose:
// the component and the system each carry their own copy, and C++ matches
// the classes by name when one catches what the other threw.
#pragma once

#include <QString>
#include <QByteArray>
#include <cstdint>
#include <exception>

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
constexpr HRESULT CO_E_WRONGOSFORAPP = HRESULT(0x800401FAu);
constexpr HRESULT MAPI_E_NOT_FOUND = HRESULT(0x8004010Fu);
constexpr HRESULT MAPI_E_OBJECT_DELETED = HRESULT(0x8004010Au);  // the item left its folder
constexpr HRESULT MAPI_E_COLLISION = HRESULT(0x80040604u);
constexpr HRESULT MAPI_E_LOGON_FAILED = HRESULT(0x80040111u);  // MAPI reuses this value
constexpr HRESULT MAPI_E_DISK_ERROR = HRESULT(0x80040116u);
constexpr HRESULT MAPI_E_CORRUPT_DATA = HRESULT(0x8004011Bu);
constexpr HRESULT MAPI_E_NO_SUPPORT = HRESULT(0x80040102u);

inline bool FAILED(HRESULT hr) { return hr < 0; }
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// The system's base error: a user message shown unchanged.
class __attribute__((visibility("default"))) Exception : public std::exception {
public:
  explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
  ~Exception() override = default;
  const QString& Message() const { return FMessage; }
  const char* what() const noexcept override { return FUtf8.constData(); }

private:
  QString FMessage;
  QByteArray FUtf8;
};

// A failure reported by a component, with its result code.
class __attribute__((visibility("default"))) EComError : public Exception {
public:
  EComError(HRESULT code, QString message) : Exception(std::move(message)), FErrorCode(code) {}
  HRESULT ErrorCode() const { return FErrorCode; }

private:
  HRESULT FErrorCode;
};

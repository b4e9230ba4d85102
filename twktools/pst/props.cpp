#include "twktools/pst/props.h"

#include "twktools/TWKerrors.h"

#include <QFile>
#include <QtEndian>
#include <sys/stat.h>
#include <vector>

namespace twkpst {

namespace {

constexpr std::uint8_t kAnyType = LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE;
// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochFiletime = 116444736000000000ull;

}  // namespace

TStamp StampOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString TakeError(libpff_error_t*& error) {
  if (!error) return QString();
  char text[4096] = {};
  libpff_error_backtrace_sprint(error, text, sizeof text);
  libpff_error_free(&error);
  // The backtrace's first line names the cause ("function: what"), the rest the callers.
  QString cause = QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 0).trimmed();
  if (const qsizetype colon = cause.indexOf(QLatin1String(": ")); colon > 0 && !cause.left(colon).contains(QLatin1Char(' ')))
    cause = cause.mid(colon + 2);
  if (cause.endsWith(QLatin1Char('.'))) cause.chop(1);
  return cause;
}

std::shared_ptr<TPstFile> TPstFile::Open(const QString& path) {
  auto fail = [&](const QString& why) {
    return EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The Outlook data file \"%1\" cannot be read: %2").arg(path, why));
  };
  QFile probe(path);
  if (!probe.open(QIODevice::ReadOnly)) throw fail(probe.errorString());
  if (!probe.read(4).startsWith("!BDN")) throw fail(QStringLiteral("it is not a .pst or .ost file (no PST header)"));
  probe.close();
  std::shared_ptr<TPstFile> f(new TPstFile);
  f->FPath = path;
  f->FStamp = StampOf(path);
  libpff_error_t* error = nullptr;
  if (libpff_file_initialize(&f->FFile, &error) != 1) throw fail(TakeError(error));
  if (libpff_file_open(f->FFile, QFile::encodeName(path).constData(), LIBPFF_OPEN_READ, &error) != 1) {
    const QString why = TakeError(error);
    libpff_file_free(&f->FFile, nullptr);
    throw fail(why.isEmpty() ? QStringLiteral("damaged file") : why);
  }
  return f;
}

TPstFile::~TPstFile() {
  if (!FFile) return;
  libpff_file_close(FFile, nullptr);
  libpff_file_free(&FFile, nullptr);
}

TItem::~TItem() {
  if (FItem) libpff_item_free(&FItem, nullptr);
}

namespace {

// One property's record entry, freed with the library.
class TEntry {
public:
  TEntry(libpff_item_t* item, std::uint32_t id, int set) {
    libpff_error_t* error = nullptr;
    libpff_record_set_t* records = nullptr;
    if (libpff_item_get_record_set_by_index(item, set, &records, &error) == 1 && records) {
      if (libpff_record_set_get_entry_by_type(records, id, 0, &FEntry, kAnyType, &error) != 1) FEntry = nullptr;
      libpff_record_set_free(&records, nullptr);
    }
    TakeError(error);
  }
  ~TEntry() {
    if (FEntry) libpff_record_entry_free(&FEntry, nullptr);
  }
  TEntry(const TEntry&) = delete;
  TEntry& operator=(const TEntry&) = delete;
  libpff_record_entry_t* get() const { return FEntry; }

private:
  libpff_record_entry_t* FEntry = nullptr;
};

// The value read by get into value, when the entry is there and get succeeds.
template <class T, class Get>
std::optional<T> Value(libpff_item_t* item, std::uint32_t id, int set, Get get) {
  TEntry entry(item, id, set);
  if (!entry.get()) return std::nullopt;
  libpff_error_t* error = nullptr;
  T value{};
  if (get(entry.get(), &value, &error) != 1) {
    TakeError(error);
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<QString> StringProp(libpff_item_t* item, std::uint32_t id, int set) {
  TEntry entry(item, id, set);
  if (!entry.get()) return std::nullopt;
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_record_entry_get_data_as_utf8_string_size(entry.get(), &size, &error) != 1 || size == 0) {
    TakeError(error);
    return std::nullopt;
  }
  std::vector<std::uint8_t> buffer(size + 1);
  if (libpff_record_entry_get_data_as_utf8_string(entry.get(), buffer.data(), buffer.size(), &error) != 1) {
    TakeError(error);
    return std::nullopt;
  }
  return QString::fromUtf8(reinterpret_cast<const char*>(buffer.data()));
}

std::optional<std::uint32_t> IntProp(libpff_item_t* item, std::uint32_t id, int set) {
  return Value<std::uint32_t>(item, id, set, libpff_record_entry_get_data_as_32bit_integer);
}

std::optional<bool> BoolProp(libpff_item_t* item, std::uint32_t id, int set) {
  const auto v = Value<std::uint8_t>(item, id, set, libpff_record_entry_get_data_as_boolean);
  return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

std::optional<QByteArray> BinaryProp(libpff_item_t* item, std::uint32_t id, int set) {
  TEntry entry(item, id, set);
  if (!entry.get()) return std::nullopt;
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_record_entry_get_data_size(entry.get(), &size, &error) != 1) {
    TakeError(error);
    return std::nullopt;
  }
  QByteArray data(qsizetype(size), Qt::Uninitialized);
  if (size > 0 &&
      libpff_record_entry_get_data(entry.get(), reinterpret_cast<std::uint8_t*>(data.data()), size, &error) != 1) {
    TakeError(error);
    return std::nullopt;
  }
  return data;
}

std::optional<TUnixTime> TimeProp(libpff_item_t* item, std::uint32_t id, int set) {
  const auto value = Value<std::uint64_t>(item, id, set, libpff_record_entry_get_data_as_filetime);
  if (!value || *value <= kUnixEpochFiletime) return std::nullopt;
  const std::uint64_t since = *value - kUnixEpochFiletime;
  return TUnixTime{std::int64_t(since / 10000000), int(since % 10000000 / 10000)};
}

std::uint32_t IdentifierOf(libpff_item_t* item) {
  libpff_error_t* error = nullptr;
  std::uint32_t id = 0;
  if (libpff_item_get_identifier(item, &id, &error) != 1) TakeError(error);
  return id;
}

std::uint32_t NodeOfEntryID(const QByteArray& entryID) {
  // Four bytes of flags, the provider's sixteen, then the node.
  if (entryID.size() < 24) return 0;
  return qFromLittleEndian<std::uint32_t>(entryID.constData() + 20);
}

}  // namespace twkpst

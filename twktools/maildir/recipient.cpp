#include "twktools/maildir/recipient.h"

#include "twktools/maildir/mimesupport.h"

namespace twkmaildir {

namespace {

constexpr int kMaxGroupDepth = 16;

void Expand(InternetAddressList* list, int depth, std::vector<TAddress>& out) {
  if (!list || depth > kMaxGroupDepth) return;
  const int count = internet_address_list_length(list);
  for (int i = 0; i < count; ++i) {
    InternetAddress* a = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_GROUP(a)) {
      Expand(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), depth + 1, out);
    } else if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
      TAddress entry;
      entry.Address = FromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
      entry.Name = FromUtf8(internet_address_get_name(a));
      if (entry.Name.isEmpty()) entry.Name = entry.Address;
      if (!entry.Name.isEmpty() || !entry.Address.isEmpty()) out.push_back(std::move(entry));
    }
  }
}

class TAddressEntry final : public TComObject<IRDOAddressEntry> {
public:
  explicit TAddressEntry(TAddress a) : FAddress(std::move(a)) {}
  QString Name() override { return FAddress.Name; }
  QString Address() override { return FAddress.Address; }
  QString Type() override { return QStringLiteral("SMTP"); }

private:
  TAddress FAddress;
};

class TRecipient final : public TComObject<IRDORecipient> {
public:
  explicit TRecipient(TRecipientValue v) : FValue(std::move(v)) {}
  QString Name() override { return FValue.Who.Name; }
  QString Address() override { return FValue.Who.Address; }
  int Type() override { return FValue.Type; }
  // Addresses come from the message itself; there is no address book to resolve against.
  bool Resolved() override { return false; }
  TwkPtr<IRDOAddressEntry> AddressEntry() override { return NewAddressEntry(FValue.Who); }

private:
  TRecipientValue FValue;
};

class TRecipients final : public TComObject<IRDORecipients> {
public:
  explicit TRecipients(std::vector<TRecipientValue> v) : FItems(std::move(v)) {}
  int Count() override { return int(FItems.size()); }
  TwkPtr<IRDORecipient> Item(int index) override {
    if (index < 1 || index > Count())
      throw EComError(E_INVALIDARG, QStringLiteral("Recipient index %1 is out of range").arg(index));
    return TwkPtr<IRDORecipient>::Adopt(new TRecipient(FItems[size_t(index - 1)]));
  }

private:
  std::vector<TRecipientValue> FItems;
};

}  // namespace

std::vector<TAddress> ExpandAddressList(InternetAddressList* list) {
  std::vector<TAddress> out;
  Expand(list, 0, out);
  return out;
}

TwkPtr<IRDOAddressEntry> NewAddressEntry(const TAddress& address) {
  return TwkPtr<IRDOAddressEntry>::Adopt(new TAddressEntry(address));
}

std::vector<TRecipientValue> RecipientsOf(GMimeMessage* message) {
  std::vector<TRecipientValue> out;
  const std::pair<GMimeAddressType, int> kinds[] = {
      {GMIME_ADDRESS_TYPE_TO, olTo}, {GMIME_ADDRESS_TYPE_CC, olCC}, {GMIME_ADDRESS_TYPE_BCC, olBCC}};
  for (const auto& [kind, type] : kinds)
    for (TAddress& a : ExpandAddressList(g_mime_message_get_addresses(message, kind)))
      out.push_back({std::move(a), type});
  return out;
}

TwkPtr<IRDORecipients> NewRecipients(std::vector<TRecipientValue> recipients) {
  return TwkPtr<IRDORecipients>::Adopt(new TRecipients(std::move(recipients)));
}

}  // namespace twkmaildir

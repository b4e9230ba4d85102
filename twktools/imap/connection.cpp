#include "twktools/imap/connection.h"

#include "twktools/imap/certcheck.h"
#include "twktools/imap/outline.h"
#include "twktools/imap/password.h"

#include <QDateTime>
#include <QTimeZone>
#include <libetpan/libetpan.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace twkimap {

namespace {

// The pieces a whole message is fetched in: memory stays bounded for any size.
constexpr std::uint32_t kWholeChunk = 4 * 1024 * 1024;

template <class T, void (*Free)(T*)>
struct TFreer {
  void operator()(T* p) const {
    if (p) Free(p);
  }
};
using TSetPtr = std::unique_ptr<mailimap_set, TFreer<mailimap_set, mailimap_set_free>>;
using TFetchTypePtr = std::unique_ptr<mailimap_fetch_type, TFreer<mailimap_fetch_type, mailimap_fetch_type_free>>;
using TSearchKeyPtr = std::unique_ptr<mailimap_search_key, TFreer<mailimap_search_key, mailimap_search_key_free>>;
using TFlagListPtr = std::unique_ptr<mailimap_flag_list, TFreer<mailimap_flag_list, mailimap_flag_list_free>>;
using TStoreAttPtr = std::unique_ptr<mailimap_store_att_flags, TFreer<mailimap_store_att_flags, mailimap_store_att_flags_free>>;

struct TClist {
  clist* List = nullptr;
  void (*Free)(clist*) = nullptr;
  ~TClist() {
    if (List && Free) Free(List);
  }
};

void FreeSearch(clist* l) { mailimap_search_result_free(l); }
void FreeFetch(clist* l) { mailimap_fetch_list_free(l); }
void FreeList(clist* l) { mailimap_list_result_free(l); }

TSetPtr UidSet(std::uint32_t uid) { return TSetPtr(mailimap_set_new_single(uid)); }

bool IsConnectionError(int rc) {
  return rc == MAILIMAP_ERROR_STREAM || rc == MAILIMAP_ERROR_CONNECTION_REFUSED || rc == MAILIMAP_ERROR_FATAL ||
         rc == MAILIMAP_ERROR_SSL || rc == MAILIMAP_ERROR_DONT_ACCEPT_CONNECTION || rc == MAILIMAP_ERROR_PARSE ||
         rc == MAILIMAP_ERROR_BAD_STATE;
}

std::int64_t UnixOf(const mailimap_date_time* d) {
  if (!d) return 0;
  const int zone = d->dt_zone;
  const int offset = (zone < 0 ? -1 : 1) * ((std::abs(zone) / 100) * 3600 + (std::abs(zone) % 100) * 60);
  const QDateTime t(QDate(d->dt_year, d->dt_month, d->dt_day), QTime(d->dt_hour, d->dt_min, d->dt_sec),
                    QTimeZone(offset));
  return t.isValid() ? t.toSecsSinceEpoch() : 0;
}

mailimap_date_time* DateTimeOf(std::int64_t unix) {
  const QDateTime t = QDateTime::fromSecsSinceEpoch(unix, QTimeZone::utc());
  return mailimap_date_time_new(t.date().day(), t.date().month(), t.date().year(), t.time().hour(),
                                t.time().minute(), t.time().second(), 0);
}

void ReadFlags(mailimap_msg_att_dynamic* dyn, TMessageFlags& out) {
  if (!dyn || !dyn->att_list) return;
  for (clistiter* it = clist_begin(dyn->att_list); it; it = clist_next(it)) {
    auto* ff = static_cast<mailimap_flag_fetch*>(clist_content(it));
    if (!ff || ff->fl_type != MAILIMAP_FLAG_FETCH_OTHER || !ff->fl_flag) continue;
    switch (ff->fl_flag->fl_type) {
      case MAILIMAP_FLAG_SEEN: out.Seen = true; break;
      case MAILIMAP_FLAG_DRAFT: out.Draft = true; break;
      case MAILIMAP_FLAG_FLAGGED: out.Flagged = true; break;
      case MAILIMAP_FLAG_ANSWERED: out.Answered = true; break;
      case MAILIMAP_FLAG_KEYWORD:
        if (ff->fl_flag->fl_data.fl_keyword) out.Keywords << QByteArray(ff->fl_flag->fl_data.fl_keyword);
        break;
      default: break;
    }
  }
}

TFlagListPtr FlagListOf(const TMessageFlags& flags, bool deleted = false) {
  TFlagListPtr list(mailimap_flag_list_new_empty());
  if (flags.Seen) mailimap_flag_list_add(list.get(), mailimap_flag_new_seen());
  if (flags.Draft) mailimap_flag_list_add(list.get(), mailimap_flag_new_draft());
  if (flags.Flagged) mailimap_flag_list_add(list.get(), mailimap_flag_new_flagged());
  if (flags.Answered) mailimap_flag_list_add(list.get(), mailimap_flag_new_answered());
  if (deleted) mailimap_flag_list_add(list.get(), mailimap_flag_new_deleted());
  for (const QByteArray& k : flags.Keywords)
    mailimap_flag_list_add(list.get(), mailimap_flag_new_flag_keyword(strdup(k.constData())));
  return list;
}

}  // namespace

namespace {
TCommandHook& CommandHook() {
  static TCommandHook hook;
  return hook;
}
}  // namespace

void SetCommandHook(TCommandHook hook) { CommandHook() = std::move(hook); }

void TImapConnection::Hook(const char* command) {
  if (CommandHook()) CommandHook()(command);
}

TImapConnection::TImapConnection(twksession::TStoreConfig config, QString storeName)
    : FConfig(std::move(config)), FStoreName(std::move(storeName)) {}

TImapConnection::~TImapConnection() { Close(); }

void TImapConnection::Close() {
  std::lock_guard g(FLock);
  if (FImap && FImap->imap_stream && FImap->imap_state != MAILIMAP_STATE_DISCONNECTED) {
    mailimap_set_timeout(FImap, 5);
    mailimap_logout(FImap);
  }
  Drop();
}

void TImapConnection::Drop() {
  std::lock_guard g(FLock);
  if (!FImap) return;
  mailimap_free(FImap);
  FImap = nullptr;
  FSelected.clear();
}

[[noreturn]] void TImapConnection::Fail(int rc, const QString& what) {
  FWasOpen = FImap != nullptr;
  QString said = FImap && FImap->imap_response ? QString::fromUtf8(FImap->imap_response).trimmed() : QString();
  if (IsConnectionError(rc)) {
    Drop();
    if (said.isEmpty()) said = QStringLiteral("the connection was lost");
  }
  if (said.isEmpty()) said = QStringLiteral("error %1").arg(rc);
  throw EComError(E_FAIL, QStringLiteral("The mail server of the mail store \"%1\" (%2): %3 failed: %4")
                              .arg(FStoreName, FConfig.Host, what, said));
}

void TImapConnection::Check(int rc, const QString& what) {
  if (rc != MAILIMAP_NO_ERROR) Fail(rc, what);
  FLastUse.start();
}

void TImapConnection::Fresh() {
  // Idle a few seconds: ask whether the server is still there.
  if (FImap && (!FLastUse.isValid() || FLastUse.elapsed() > 2000) && mailimap_noop(FImap) != MAILIMAP_NO_ERROR) Drop();
  Open();
  FLastUse.start();
}

void TImapConnection::Open() {
  std::lock_guard g(FLock);
  if (FImap) return;
  // The password first: without one there is nothing to connect for.
  if (FPassword.isEmpty()) FPassword = ReadPassword(FConfig, FStoreName);
  Connect();
  Login();
}

void TImapConnection::Connect() {
  FImap = mailimap_new(0, nullptr);
  mailimap_set_timeout(FImap, 60);
  const QByteArray host = FConfig.Host.toUtf8();
  const auto port = std::uint16_t(FConfig.Port);
  int rc = FConfig.Security == twksession::TSecurity::Tls ? mailimap_ssl_connect(FImap, host.constData(), port)
                                                          : mailimap_socket_connect(FImap, host.constData(), port);
  auto connectFailed = [&](const QString& why) {
    Drop();
    throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("Cannot connect to the mail server of the mail store \"%1\" (%2, port %3): %4")
                                             .arg(FStoreName, FConfig.Host)
                                             .arg(FConfig.Port)
                                             .arg(why));
  };
  if (rc != MAILIMAP_NO_ERROR && rc != MAILIMAP_NO_ERROR_AUTHENTICATED && rc != MAILIMAP_NO_ERROR_NON_AUTHENTICATED)
    connectFailed(rc == MAILIMAP_ERROR_SSL ? QStringLiteral("the TLS handshake failed")
                                           : QStringLiteral("no IMAP server answers there"));
  // Commands go out in several writes; without this each would wait for the
  // server's delayed acknowledgement (tens of milliseconds per command).
  if (mailstream_low* low = FImap->imap_stream ? mailstream_get_low(FImap->imap_stream) : nullptr) {
    const int one = 1;
    ::setsockopt(mailstream_low_get_fd(low), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  if (FConfig.Security == twksession::TSecurity::StartTls) {
    if (mailimap_socket_starttls(FImap) != MAILIMAP_NO_ERROR) connectFailed(QStringLiteral("STARTTLS failed"));
  }
  if (FConfig.Security != twksession::TSecurity::None) {
    try {
      CheckCertificate(FImap, FConfig, FStoreName);
    } catch (...) {
      Drop();
      throw;
    }
  }
}

void TImapConnection::Login() {
  const int rc = mailimap_login(FImap, FConfig.Login.toUtf8().constData(), FPassword.constData());
  if (rc == MAILIMAP_NO_ERROR) {
    mailimap_capability_data* caps = nullptr;
    if (mailimap_capability(FImap, &caps) == MAILIMAP_NO_ERROR && caps) mailimap_capability_data_free(caps);
    return;
  }
  const QString said = FImap->imap_response ? QString::fromUtf8(FImap->imap_response).trimmed() : QString();
  Drop();
  // A refused password is asked for again by the next logon, not reused.
  FPassword.clear();
  throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The mail server of the mail store \"%1\" (%2) refused the login of %3: %4")
                                           .arg(FStoreName, FConfig.Host, FConfig.Login,
                                                said.isEmpty() ? QStringLiteral("wrong user name or password") : said));
}

bool TImapConnection::HasCapability(const char* name) {
  std::lock_guard g(FLock);
  Open();
  return mailimap_has_extension(FImap, name) == 1;
}

bool TImapConnection::CanMove() { return HasCapability("MOVE"); }

std::vector<TListEntry> TImapConnection::List() {
  std::lock_guard g(FLock);
  TClist result{nullptr, FreeList};
  Reading([&] {
    Open();
    Check(mailimap_list(FImap, "", "*", &result.List), QStringLiteral("listing the folders"));
  });
  std::vector<TListEntry> out;
  for (clistiter* it = clist_begin(result.List); it; it = clist_next(it)) {
    auto* mb = static_cast<mailimap_mailbox_list*>(clist_content(it));
    TListEntry e;
    e.Name = mb->mb_name;
    e.Delimiter = mb->mb_delimiter ? mb->mb_delimiter : '/';
    if (mb->mb_flag) {
      e.NoSelect = mb->mb_flag->mbf_sflag == MAILIMAP_MBX_LIST_SFLAG_NOSELECT;
      for (clistiter* f = mb->mb_flag->mbf_oflags ? clist_begin(mb->mb_flag->mbf_oflags) : nullptr; f; f = clist_next(f)) {
        auto* of = static_cast<mailimap_mbx_list_oflag*>(clist_content(f));
        if (of->of_type != MAILIMAP_MBX_LIST_OFLAG_FLAG_EXT || !of->of_flag_ext) continue;
        const QString flag = QString::fromLatin1(of->of_flag_ext);
        if (flag.compare(QStringLiteral("NonExistent"), Qt::CaseInsensitive) == 0) e.NoSelect = true;
        for (const char* use : {"Sent", "Drafts", "Trash", "Junk", "Archive"})
          if (flag.compare(QLatin1String(use), Qt::CaseInsensitive) == 0) e.SpecialUse = QLatin1String(use);
      }
    }
    out.push_back(e);
  }
  return out;
}

void TImapConnection::Create(const QByteArray& mailbox) {
  std::lock_guard g(FLock);
  Fresh();
  Check(mailimap_create(FImap, mailbox.constData()), QStringLiteral("creating the folder %1").arg(QString::fromUtf8(mailbox)));
}

TMailboxState TImapConnection::Select(const QByteArray& mailbox, bool refresh) {
  std::lock_guard g(FLock);
  Reading([&] {
    Open();
    if (refresh || FSelected != mailbox) {
      FSelected.clear();
      Check(mailimap_select(FImap, mailbox.constData()), QStringLiteral("opening the folder %1").arg(QString::fromUtf8(mailbox)));
      FSelected = mailbox;
    }
  });
  TMailboxState s;
  if (mailimap_selection_info* info = FImap->imap_selection_info) {
    s.UidValidity = info->sel_uidvalidity;
    s.UidNext = info->sel_uidnext;
    s.Exists = info->sel_exists;
  }
  return s;
}

void TImapConnection::EnsureSelected(const QByteArray& mailbox) {
  Open();
  if (FSelected != mailbox) Select(mailbox);
}

std::vector<std::uint32_t> TImapConnection::SearchUids(const QByteArray& mailbox, const QByteArray& keyword,
                                                       const QByteArray& messageId, bool deleted,
                                                       std::uint32_t fromUid) {
  std::lock_guard g(FLock);
  EnsureSelected(mailbox);
  TSearchKeyPtr key(mailimap_search_key_new_multiple_empty());
  mailimap_search_key_multiple_add(key.get(), mailimap_search_key_new(deleted ? MAILIMAP_SEARCH_KEY_ALL : MAILIMAP_SEARCH_KEY_UNDELETED, nullptr, nullptr,
                                                                      nullptr, nullptr, nullptr, nullptr, nullptr,
                                                                      nullptr, nullptr, nullptr, nullptr, nullptr,
                                                                      nullptr, nullptr, 0, nullptr, nullptr, nullptr,
                                                                      nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                                                      nullptr));
  if (!keyword.isEmpty()) mailimap_search_key_multiple_add(key.get(), mailimap_search_key_new_keyword(strdup(keyword.constData())));
  if (!messageId.isEmpty())
    mailimap_search_key_multiple_add(key.get(),
                                     mailimap_search_key_new_header(strdup("Message-ID"), strdup(messageId.constData())));
  // "n:*" also names the highest UID when it is below n: filtered below.
  if (fromUid) mailimap_search_key_multiple_add(key.get(), mailimap_search_key_new_uid(mailimap_set_new_interval(fromUid, 0)));
  TClist result{nullptr, FreeSearch};
  Reading([&] {
    EnsureSelected(mailbox);
    Check(mailimap_uid_search(FImap, nullptr, key.get(), &result.List), QStringLiteral("listing the messages"));
  });
  std::vector<std::uint32_t> uids;
  for (clistiter* it = clist_begin(result.List); it; it = clist_next(it))
    if (const std::uint32_t uid = *static_cast<std::uint32_t*>(clist_content(it)); uid >= fromUid) uids.push_back(uid);
  std::sort(uids.begin(), uids.end());
  return uids;
}

std::vector<TFetchedOutline> TImapConnection::FetchOutlines(const QByteArray& mailbox,
                                                            const std::vector<std::uint32_t>& uids) {
  std::lock_guard g(FLock);
  EnsureSelected(mailbox);
  std::vector<TFetchedOutline> out;
  if (uids.empty()) return out;
  // Runs of consecutive UIDs as ranges: servers answer "a:b" much faster than
  // a long list of single numbers.
  TSetPtr set(mailimap_set_new_empty());
  for (size_t i = 0; i < uids.size();) {
    size_t j = i;
    while (j + 1 < uids.size() && uids[j + 1] == uids[j] + 1) ++j;
    mailimap_set_add_interval(set.get(), uids[i], uids[j]);
    i = j + 1;
  }
  TFetchTypePtr type(mailimap_fetch_type_new_fetch_att_list_empty());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_uid());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_flags());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_internaldate());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_rfc822_size());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_bodystructure());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_body_peek_section(mailimap_section_new_header()));
  TClist result{nullptr, FreeFetch};
  Reading([&] {
    EnsureSelected(mailbox);
    Check(mailimap_uid_fetch(FImap, set.get(), type.get(), &result.List), QStringLiteral("reading the messages"));
  });
  for (clistiter* it = clist_begin(result.List); it; it = clist_next(it)) {
    auto* att = static_cast<mailimap_msg_att*>(clist_content(it));
    TFetchedOutline o;
    mailimap_body* structure = nullptr;
    for (clistiter* i = clist_begin(att->att_list); i; i = clist_next(i)) {
      auto* item = static_cast<mailimap_msg_att_item*>(clist_content(i));
      if (item->att_type == MAILIMAP_MSG_ATT_ITEM_DYNAMIC) {
        ReadFlags(item->att_data.att_dyn, o.Flags);
        continue;
      }
      if (item->att_type != MAILIMAP_MSG_ATT_ITEM_STATIC) continue;
      mailimap_msg_att_static* st = item->att_data.att_static;
      switch (st->att_type) {
        case MAILIMAP_MSG_ATT_UID: o.Uid = st->att_data.att_uid; break;
        case MAILIMAP_MSG_ATT_INTERNALDATE: o.InternalDate = UnixOf(st->att_data.att_internal_date); break;
        case MAILIMAP_MSG_ATT_RFC822_SIZE: o.Size = st->att_data.att_rfc822_size; break;
        case MAILIMAP_MSG_ATT_BODYSTRUCTURE: structure = st->att_data.att_bodystructure; break;
        case MAILIMAP_MSG_ATT_BODY_SECTION:
          if (st->att_data.att_body_section && st->att_data.att_body_section->sec_body_part)
            o.Header = QByteArray(st->att_data.att_body_section->sec_body_part,
                                  qsizetype(st->att_data.att_body_section->sec_length));
          break;
        default: break;
      }
    }
    if (o.Uid == 0) continue;  // an unsolicited FETCH (flags changed meanwhile)
    o.Exact = WriteStructure(structure, o.Body);
    out.push_back(std::move(o));
  }
  return out;
}

bool TImapConnection::FetchWhole(const QByteArray& mailbox, std::uint32_t uid,
                                 const std::function<void(const char*, size_t)>& sink) {
  std::lock_guard g(FLock);
  EnsureSelected(mailbox);
  std::uint32_t offset = 0;
  do {
    TSetPtr set = UidSet(uid);
    TFetchTypePtr type(mailimap_fetch_type_new_fetch_att_list_empty());
    mailimap_fetch_type_new_fetch_att_list_add(
        type.get(), mailimap_fetch_att_new_body_peek_section_partial(mailimap_section_new(nullptr), offset, kWholeChunk));
    TClist result{nullptr, FreeFetch};
    Reading([&] {
      EnsureSelected(mailbox);
      Check(mailimap_uid_fetch(FImap, set.get(), type.get(), &result.List), QStringLiteral("reading a message"));
    });
    const mailimap_msg_att_body_section* section = nullptr;
    for (clistiter* it = clist_begin(result.List); it && !section; it = clist_next(it)) {
      auto* att = static_cast<mailimap_msg_att*>(clist_content(it));
      for (clistiter* i = clist_begin(att->att_list); i; i = clist_next(i)) {
        auto* item = static_cast<mailimap_msg_att_item*>(clist_content(i));
        if (item->att_type == MAILIMAP_MSG_ATT_ITEM_STATIC &&
            item->att_data.att_static->att_type == MAILIMAP_MSG_ATT_BODY_SECTION)
          section = item->att_data.att_static->att_data.att_body_section;
      }
    }
    if (!section) return false;
    const size_t length = section->sec_body_part ? section->sec_length : 0;
    if (length) sink(section->sec_body_part, length);
    offset += std::uint32_t(length);
    // A shorter piece is the last one, whatever size the server said before.
    if (length < kWholeChunk) break;
  } while (true);
  return true;
}

void TImapConnection::FetchWholeMany(const QByteArray& mailbox, const std::vector<std::uint32_t>& uids,
                                     const std::function<void(std::uint32_t uid, const char*, size_t)>& sink) {
  std::lock_guard g(FLock);
  TSetPtr set(mailimap_set_new_empty());
  for (std::uint32_t uid : uids) mailimap_set_add_single(set.get(), uid);
  TFetchTypePtr type(mailimap_fetch_type_new_fetch_att_list_empty());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_uid());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_body_peek_section(mailimap_section_new(nullptr)));
  TClist result{nullptr, FreeFetch};
  Reading([&] {
    EnsureSelected(mailbox);
    Check(mailimap_uid_fetch(FImap, set.get(), type.get(), &result.List), QStringLiteral("reading the messages"));
  });
  for (clistiter* it = clist_begin(result.List); it; it = clist_next(it)) {
    auto* att = static_cast<mailimap_msg_att*>(clist_content(it));
    std::uint32_t uid = 0;
    const mailimap_msg_att_body_section* section = nullptr;
    for (clistiter* i = clist_begin(att->att_list); i; i = clist_next(i)) {
      auto* item = static_cast<mailimap_msg_att_item*>(clist_content(i));
      if (item->att_type != MAILIMAP_MSG_ATT_ITEM_STATIC) continue;
      if (item->att_data.att_static->att_type == MAILIMAP_MSG_ATT_UID) uid = item->att_data.att_static->att_data.att_uid;
      if (item->att_data.att_static->att_type == MAILIMAP_MSG_ATT_BODY_SECTION)
        section = item->att_data.att_static->att_data.att_body_section;
    }
    if (uid && section) sink(uid, section->sec_body_part ? section->sec_body_part : "", section->sec_body_part ? section->sec_length : 0);
  }
}

namespace {

TNewUid FirstOf(std::uint32_t validity, mailimap_set* source, mailimap_set* created) {
  TNewUid out{validity, 0};
  if (created && created->set_list && clist_begin(created->set_list))
    out.Uid = static_cast<mailimap_set_item*>(clist_content(clist_begin(created->set_list)))->set_first;
  if (source) mailimap_set_free(source);
  if (created) mailimap_set_free(created);
  return out;
}

}  // namespace

TNewUid TImapConnection::Transfer(std::uint32_t uid, const QByteArray& dest, bool move) {
  TSetPtr set = UidSet(uid);
  std::uint32_t validity = 0;
  mailimap_set* source = nullptr;
  mailimap_set* created = nullptr;
  Hook(move ? "MOVE" : "COPY");
  const int rc = move ? mailimap_uidplus_uid_move(FImap, set.get(), dest.constData(), &validity, &source, &created)
                      : mailimap_uidplus_uid_copy(FImap, set.get(), dest.constData(), &validity, &source, &created);
  const TNewUid out = FirstOf(validity, source, created);
  Check(rc, (move ? QStringLiteral("moving a message to %1") : QStringLiteral("copying a message to %1"))
                .arg(QString::fromUtf8(dest)));
  return out;
}

TNewUid TImapConnection::Copy(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest) {
  std::lock_guard g(FLock);
  Fresh();
  EnsureSelected(mailbox);
  return Transfer(uid, dest, false);
}

TNewUid TImapConnection::Move(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest) {
  std::lock_guard g(FLock);
  Fresh();
  EnsureSelected(mailbox);
  if (CanMove()) return Transfer(uid, dest, true);
  // Without MOVE: the copy first (or the one an interrupted move left
  // there, so a move done again does not double the message); the original
  // is marked and removed only then (marked deleted, it is no item any more
  // should the removal fail).
  TNewUid out = FindCopy(mailbox, uid, dest);
  if (out.Uid == 0) out = Copy(mailbox, uid, dest);
  AddFlags(mailbox, uid, true, {});
  Expunge(mailbox, uid);
  return out;
}

std::vector<TImapConnection::TIdAndSize> TImapConnection::IdsAndSizes(const QByteArray& mailbox,
                                                                      const std::vector<std::uint32_t>& uids) {
  std::vector<TIdAndSize> out;
  if (uids.empty()) return out;
  TSetPtr set(mailimap_set_new_empty());
  for (std::uint32_t uid : uids) mailimap_set_add_single(set.get(), uid);
  TFetchTypePtr type(mailimap_fetch_type_new_fetch_att_list_empty());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_uid());
  mailimap_fetch_type_new_fetch_att_list_add(type.get(), mailimap_fetch_att_new_rfc822_size());
  clist* names = clist_new();
  clist_append(names, strdup("Message-ID"));
  mailimap_fetch_type_new_fetch_att_list_add(
      type.get(), mailimap_fetch_att_new_body_peek_section(mailimap_section_new_header_fields(mailimap_header_list_new(names))));
  TClist result{nullptr, FreeFetch};
  Reading([&] {
    EnsureSelected(mailbox);
    Check(mailimap_uid_fetch(FImap, set.get(), type.get(), &result.List), QStringLiteral("reading the messages"));
  });
  for (clistiter* it = clist_begin(result.List); it; it = clist_next(it)) {
    auto* att = static_cast<mailimap_msg_att*>(clist_content(it));
    TIdAndSize one;
    for (clistiter* i = clist_begin(att->att_list); i; i = clist_next(i)) {
      auto* item = static_cast<mailimap_msg_att_item*>(clist_content(i));
      if (item->att_type != MAILIMAP_MSG_ATT_ITEM_STATIC) continue;
      mailimap_msg_att_static* st = item->att_data.att_static;
      if (st->att_type == MAILIMAP_MSG_ATT_UID) one.Uid = st->att_data.att_uid;
      if (st->att_type == MAILIMAP_MSG_ATT_RFC822_SIZE) one.Size = st->att_data.att_rfc822_size;
      if (st->att_type == MAILIMAP_MSG_ATT_BODY_SECTION && st->att_data.att_body_section->sec_body_part)
        one.Id = QByteArray(st->att_data.att_body_section->sec_body_part,
                               qsizetype(st->att_data.att_body_section->sec_length)).trimmed();
    }
    if (one.Uid) out.push_back(one);
  }
  return out;
}

TNewUid TImapConnection::FindCopy(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest) {
  const auto mine = IdsAndSizes(mailbox, {uid});
  if (mine.size() != 1) return {};
  const QByteArray line = mine.front().Id;
  const qsizetype colon = line.indexOf(':');
  const QByteArray id = colon < 0 ? QByteArray() : line.mid(colon + 1).simplified();
  if (id.isEmpty()) return {};
  TNewUid found;
  found.UidValidity = Select(dest).UidValidity;
  for (const TIdAndSize& other : IdsAndSizes(dest, SearchUids(dest, {}, id)))
    if (other.Id == line && other.Size == mine.front().Size) found.Uid = other.Uid;
  Select(mailbox);
  return found;
}

TNewUid TImapConnection::Append(const QByteArray& mailbox, const QByteArray& bytes, const TMessageFlags& flags,
                                std::int64_t internalDate) {
  std::lock_guard g(FLock);
  Fresh();
  TFlagListPtr list = FlagListOf(flags);
  mailimap_date_time* date = internalDate > 0 ? DateTimeOf(internalDate) : nullptr;
  std::uint32_t validity = 0, uid = 0;
  Hook("APPEND");
  const int rc = mailimap_uidplus_append(FImap, mailbox.constData(), list.get(), date, bytes.constData(),
                                         size_t(bytes.size()), &validity, &uid);
  if (date) mailimap_date_time_free(date);
  Check(rc, QStringLiteral("storing a message in %1").arg(QString::fromUtf8(mailbox)));
  return TNewUid{validity, uid};
}

void TImapConnection::AddFlags(const QByteArray& mailbox, std::uint32_t uid, bool deleted, const QByteArray& keyword) {
  std::lock_guard g(FLock);
  Fresh();
  EnsureSelected(mailbox);
  TMessageFlags flags;
  if (!keyword.isEmpty()) flags.Keywords << keyword;
  TFlagListPtr list = FlagListOf(flags, deleted);
  TStoreAttPtr att(mailimap_store_att_flags_new_add_flags_silent(list.release()));
  TSetPtr set = UidSet(uid);
  Hook("STORE");
  Check(mailimap_uid_store(FImap, set.get(), att.get()), QStringLiteral("marking a message"));
}

void TImapConnection::RemoveKeyword(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& keyword) {
  std::lock_guard g(FLock);
  Fresh();
  EnsureSelected(mailbox);
  TMessageFlags flags;
  flags.Keywords << keyword;
  TStoreAttPtr att(mailimap_store_att_flags_new_remove_flags_silent(FlagListOf(flags).release()));
  TSetPtr set = UidSet(uid);
  Check(mailimap_uid_store(FImap, set.get(), att.get()), QStringLiteral("marking a message"));
}

void TImapConnection::Expunge(const QByteArray& mailbox, std::uint32_t uid) {
  std::lock_guard g(FLock);
  Fresh();
  EnsureSelected(mailbox);
  Hook("EXPUNGE");
  if (HasCapability("UIDPLUS")) {
    TSetPtr set = UidSet(uid);
    Check(mailimap_uid_expunge(FImap, set.get()), QStringLiteral("removing a message"));
  } else {
    // Removes every message marked deleted in the folder; ours is one of them.
    Check(mailimap_expunge(FImap), QStringLiteral("removing a message"));
  }
}

void TImapConnection::Noop() {
  std::lock_guard g(FLock);
  Open();
  Check(mailimap_noop(FImap), QStringLiteral("checking the connection"));
}

}  // namespace twkimap

#include "core/ResolvePlaceholders.h"

#include "core/FilenameTools.h"
#include "core/ListMatch.h"
#include "core/MailFields.h"

#include <QLocale>
#include <algorithm>

struct TResolvePlaceholders::TPlaceholder {
  const char* Name;
  QString TResolvePlaceholders::*Value;
  bool Attachment;
};

const TResolvePlaceholders::TPlaceholder TResolvePlaceholders::kPlaceholders[] = {
    {"O", &TResolvePlaceholders::F_O, false},         {"OR", &TResolvePlaceholders::F_OR, false},
    {"ON", &TResolvePlaceholders::F_ON, false},       {"SN", &TResolvePlaceholders::F_SN, false},
    {"SE", &TResolvePlaceholders::F_SE, false},       {"SD", &TResolvePlaceholders::F_SD, false},
    {"RN", &TResolvePlaceholders::F_RN, false},       {"RE", &TResolvePlaceholders::F_RE, false},
    {"RD", &TResolvePlaceholders::F_RD, false},       {"ME", &TResolvePlaceholders::F_ME, false},
    {"MN", &TResolvePlaceholders::F_MN, false},       {"NE", &TResolvePlaceholders::F_NE, false},
    {"NN", &TResolvePlaceholders::F_NN, false},       {"B", &TResolvePlaceholders::F_B, false},
    {"B50", &TResolvePlaceholders::F_B50, false},     {"BX", &TResolvePlaceholders::F_BX, false},
    {"BX50", &TResolvePlaceholders::F_BX50, false},   {"EYYYY", &TResolvePlaceholders::F_EYYYY, false},
    {"EYY", &TResolvePlaceholders::F_EYY, false},     {"EMM", &TResolvePlaceholders::F_EMM, false},
    {"EDD", &TResolvePlaceholders::F_EDD, false},     {"EHH", &TResolvePlaceholders::F_EHH, false},
    {"ENN", &TResolvePlaceholders::F_ENN, false},     {"ESS", &TResolvePlaceholders::F_ESS, false},
    {"CYYYY", &TResolvePlaceholders::F_CYYYY, false}, {"CYY", &TResolvePlaceholders::F_CYY, false},
    {"CMM", &TResolvePlaceholders::F_CMM, false},     {"CDD", &TResolvePlaceholders::F_CDD, false},
    {"CHH", &TResolvePlaceholders::F_CHH, false},     {"CNN", &TResolvePlaceholders::F_CNN, false},
    {"CSS", &TResolvePlaceholders::F_CSS, false},     {"OU", &TResolvePlaceholders::F_OU, false},
    {"WU", &TResolvePlaceholders::F_WU, false},       {"FE", &TResolvePlaceholders::F_FE, true},
    {"F", &TResolvePlaceholders::F_F, true},          {"E", &TResolvePlaceholders::F_E, true},
    {"F1", &TResolvePlaceholders::F_F1, true},        {"E1", &TResolvePlaceholders::F_E1, true},
};

namespace {

QString Upper(const QString& s) { return QLocale::system().toUpper(s); }

// Code point at i, and the number of UTF-16 units it takes.
char32_t CodePointAt(const QString& s, qsizetype i, int& units) {
  if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
    units = 2;
    return QChar::surrogateToUcs4(s[i], s[i + 1]);
  }
  units = 1;
  return s[i].unicode();
}

// Year, two-digit year, month, day, hours, minutes, seconds.
void DateParts(TDateTime v, QString* out[7]) {
  if (v == 0) {
    *out[0] = QStringLiteral("0000");
    *out[1] = QStringLiteral("00");
    for (int i = 2; i < 7; ++i) *out[i] = QStringLiteral("00");
    return;
  }
  const TDateTimeParts p = DecodeDateTime(v);
  *out[0] = QString::asprintf("%.4d", p.Year);
  *out[1] = QString::asprintf("%.2d", p.Year % 100);
  const int rest[5] = {p.Month, p.Day, p.Hour, p.Minute, p.Second};
  for (int i = 0; i < 5; ++i) *out[i + 2] = QString::asprintf("%.2d", rest[i]);
}

// Name, address and domain of one party, as for the sender and the recipient.
void PartyValues(const QString& name, const QString& address, QString& n, QString& e, QString& d) {
  n = MakeValidFileName(name);
  e = MakeValidFileName(address);
  d = ExtractMailDomain(address);
  if (d.isEmpty()) d = n;
  if (d.isEmpty()) d = e;
}

}  // namespace

QString ExtractMailDomain(const QString& address) {
  const qsizetype at = address.indexOf(QLatin1Char('@'));
  if (at <= 0) return QString();
  const QString domain = address.mid(at + 1);
  if (domain.isEmpty() || domain.contains(QLatin1Char('@'))) return QString();
  if (Upper(MakeValidFileName(domain)) != Upper(domain)) return QString();
  return domain;
}

QString StripReplyPrefixes(const QString& text) {
  QString s = TrimStr(text);
  for (;;) {
    int u1 = 0, u2 = 0;
    if (s.size() < 3) return s;
    const char32_t c1 = CodePointAt(s, 0, u1);
    if (u1 >= s.size()) return s;
    const char32_t c2 = CodePointAt(s, u1, u2);
    const qsizetype colon = u1 + u2;
    if (!QChar::isLetter(c1) || !QChar::isLetter(c2) || colon >= s.size() || s[colon] != QLatin1Char(':'))
      return s;
    s = TrimLeftStr(s.mid(colon + 1));
  }
}

QString FirstChars(const QString& text, int n) {
  qsizetype i = 0;
  for (int count = 0; count < n && i < text.size(); ++count) {
    int units = 0;
    CodePointAt(text, i, units);
    i += units;
  }
  return text.left(i);
}

QString AppendCleanPath(const QString& p, const QString& text) {
  QString s = p + text;
  static const struct {
    const char* Pair;
    int Remove;  // index of the character of the pair that goes
  } kRules[] = {{"\\.", 1}, {".\\", 0}, {"\\ ", 1}, {" \\", 0}, {"\\\\", 0}};
  bool changed = true;
  while (changed) {
    changed = false;
    for (const auto& rule : kRules) {
      const QLatin1String pair(rule.Pair);
      for (qsizetype i; (i = s.indexOf(pair)) >= 0;) {
        s.remove(i + rule.Remove, 1);
        changed = true;
      }
    }
  }
  return s;
}

void TResolvePlaceholders::Prepare(const QString& windowsUsername, const QString& outlookUsername,
                                   TDateTime curDate, const QStringList& meNames, const QString& curFolderPath,
                                   const QString& curRelativePath, const QString& curFolderName,
                                   const TMailFields& mailFields) {
  F_O = EncloseInBackslashes(curFolderPath);
  F_OR = EncloseInBackslashes(curRelativePath);
  F_ON = MakeValidFileNameDef(curFolderName, QStringLiteral("folder"));

  const bool onBehalf = !mailFields.SentOnBehalfOfName().isEmpty();
  PartyValues(onBehalf ? mailFields.SentOnBehalfOfName() : mailFields.SenderName(),
              onBehalf ? mailFields.SentOnBehalfOfAddress() : mailFields.SenderAddress(), F_SN, F_SE, F_SD);

  const QStringList& names = mailFields.RecipientNames();
  const QStringList& addresses = mailFields.RecipientAddresses();
  const qsizetype recipients = qMin(names.size(), addresses.size());
  PartyValues(recipients ? names[0] : QString(), recipients ? addresses[0] : QString(), F_RN, F_RE, F_RD);

  const auto isMine = [&meNames](const QString& text) { return MatchMaskList(MakeValidFileName(text), meNames); };
  const bool senderIsMe = meNames.isEmpty() || isMine(mailFields.SentOnBehalfOfName()) ||
                          isMine(mailFields.SentOnBehalfOfAddress()) || isMine(mailFields.SenderName()) ||
                          isMine(mailFields.SenderAddress());
  // The other party when I sent it, else me among the recipients.
  qsizetype found = -1;
  for (qsizetype i = 0; i < recipients && found < 0; ++i) {
    const bool mine = isMine(names[i]) || isMine(addresses[i]);
    if (mine != senderIsMe) found = i;
  }
  QString& partyName = senderIsMe ? F_NN : F_MN;
  QString& partyAddress = senderIsMe ? F_NE : F_ME;
  (senderIsMe ? F_MN : F_NN) = F_SN;
  (senderIsMe ? F_ME : F_NE) = F_SE;
  partyName = found >= 0 ? names[found] : F_RN;
  partyAddress = found >= 0 ? addresses[found] : F_RE;
  for (QString* v : {&F_MN, &F_ME, &F_NN, &F_NE}) *v = MakeValidFileName(*v);

  const QString& subject = mailFields.Subject();
  const QString stripped = StripReplyPrefixes(subject);
  F_B = MakeValidFileName(subject);
  F_B50 = MakeValidFileName(FirstChars(subject, 50));
  F_BX = MakeValidFileName(stripped);
  F_BX50 = MakeValidFileName(FirstChars(stripped, 50));

  QString* mailDate[7] = {&F_EYYYY, &F_EYY, &F_EMM, &F_EDD, &F_EHH, &F_ENN, &F_ESS};
  DateParts(mailFields.MailDate(), mailDate);
  QString* current[7] = {&F_CYYYY, &F_CYY, &F_CMM, &F_CDD, &F_CHH, &F_CNN, &F_CSS};
  DateParts(curDate, current);

  F_OU = MakeValidFileName(outlookUsername);
  F_WU = MakeValidFileName(windowsUsername);

  FAttAllowed = false;
  for (QString* v : {&F_FE, &F_F, &F_E, &F_F1, &F_E1}) v->clear();
}

QString TResolvePlaceholders::Execute(const QString& mask, const QString& exceptMsg) {
  FAttAllowed = false;
  return Resolve(mask, exceptMsg);
}

QString TResolvePlaceholders::Execute(const QString& mask, const QString& exceptMsg, const QString& attShortName) {
  FAttAllowed = true;
  const qsizetype dot = attShortName.lastIndexOf(QLatin1Char('.'));
  const QString extension = dot < 0 ? QString() : attShortName.mid(dot);
  F_FE = MakeValidFileName(attShortName);
  F_F = MakeValidFileName(attShortName.left(attShortName.size() - extension.size()));
  F_E = MakeValidFileName(extension);
  // The first character; half a surrogate pair could not be stored as a name.
  F_F1 = FirstChars(F_F, 1);
  F_E1 = FirstChars(F_E, 1);
  return Resolve(mask, exceptMsg);
}

bool TResolvePlaceholders::CheckMask(const QString& mask, bool attAllowed) {
  Prepare(QString(), QString(), 0, QStringList(), QString(), QString(), QString(), TMailFields());
  try {
    if (attAllowed)
      Execute(mask, QString(), QString());
    else
      Execute(mask, QString());
  } catch (const EInvalidMask&) {
    return false;  // the answer itself, not a failure
  }
  return true;
}

QString TResolvePlaceholders::Resolve(const QString& mask, const QString& exceptMsg) const {
  for (const char* bad : {"\\\\", "\\ ", " \\", "\\.", ".\\"})
    if (mask.contains(QLatin1String(bad))) throw EInvalidMask(exceptMsg);
  QString result;
  QString rest = mask;
  for (qsizetype i; (i = rest.indexOf(QLatin1Char('\\'))) >= 0;) {
    const QString segment = TrimStr(rest.left(i));
    rest = rest.mid(i + 1);
    if (!segment.isEmpty()) result += ResolveSegment(segment, exceptMsg) + QLatin1Char('\\');
  }
  rest = TrimStr(rest);
  if (!rest.isEmpty()) result += ResolveSegment(rest, exceptMsg);
  TrimBackslashes(result);
  return result;
}

QString TResolvePlaceholders::ResolveSegment(const QString& segment, const QString& exceptMsg) const {
  QString p;
  QString r = segment;
  for (qsizetype open; (open = r.indexOf(QLatin1Char('['))) >= 0;) {
    const QString literal = r.left(open);
    r = r.mid(open + 1);
    if (literal.contains(QLatin1Char(']'))) throw EInvalidMask(exceptMsg);
    p = AppendCleanPath(p, RemoveInvalidFileNameChars(literal));
    const qsizetype close = r.indexOf(QLatin1Char(']'));
    if (close < 0) throw EInvalidMask(exceptMsg);
    const QString name = Upper(r.left(close));
    r = r.mid(close + 1);
    const TPlaceholder* match = nullptr;
    for (const TPlaceholder& ph : kPlaceholders)
      if (name == QLatin1String(ph.Name) && (!ph.Attachment || FAttAllowed)) match = &ph;
    if (!match) throw EInvalidMask(exceptMsg);
    p += this->*(match->Value);
  }
  p = AppendCleanPath(p, RemoveInvalidFileNameChars(r));
  p = TrimStr(p);
  TrimBackslashes(p);
  if (p.isEmpty() && !Upper(segment).contains(QLatin1String("[OR]"))) p = QStringLiteral("none");
  // "." and ".." (a mask of dots, or "[B]." for an empty subject) would name
  // the destination itself or its parent.
  if (!p.isEmpty() && std::all_of(p.cbegin(), p.cend(), [](QChar c) { return c == QLatin1Char('.'); }))
    p = QStringLiteral("none");
  return p;
}

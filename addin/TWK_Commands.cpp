#include "addin/TWK_Commands.h"

namespace {

struct TControlCommand {
  const char* Id;
  TTWKCommand Command;
};

// Ribbon ids and command bar tags.
const TControlCommand kControls[] = {
    {"adxRibbonButton14360E9EF43F479992E352AC17B2E0FC", cmdShowMainDialog},
    {"adxRibbonButton84EF118707B741699FF50CA1BBCD3EF1", cmdShowOptions},
    {"adxRibbonButtonA9F2A2F8F42F46C2845AB48BA7AF3AB5", cmdShowOwnAddresses},
    {"adxRibbonButton525E52AED1114ACAB6D3F6487C1793FC", cmdShowInboxTasks},
    {"adxRibbonButton639A799A1B6F45ED9469CC510C7568A1", cmdShowReimport},
    {"adxRibbonButtonB843B45E3C864A59B58A35F0939A8D7A", cmdShowRelocate},
    {"{A2D2DEA6-6EB2-4B2A-9587-19130AC0246A}", cmdShowMainDialog},
    {"{D61E6AFD-42DF-4DBD-A8B6-C9DFD0C3EB83}", cmdShowOptions},
    {"{69913BCF-EC02-4BE7-96FB-582E1F263CD8}", cmdShowOwnAddresses},
    {"{64505C59-B181-4E68-868D-49E1D4A75EC4}", cmdShowInboxTasks},
    {"{CA701FD0-7E71-4D63-BB67-BF53C3C27E9D}", cmdShowReimport},
    {"{311804D3-211D-43D9-B43A-ADD6D7973D61}", cmdShowRelocate},
};

TAddinControl Control(TAddinControl::TKind kind, const char* id, const char* caption) {
  TAddinControl c;
  c.Kind = kind;
  c.Id = QString::fromLatin1(id);
  c.Caption = QString::fromLatin1(caption);
  if (kind == TAddinControl::ckButton || kind == TAddinControl::ckMenuItem)
    c.Enabled = CommandAvailable(CommandOfControl(c.Id));
  return c;
}

TAddinControl Grouped(TAddinControl c) {
  c.BeginGroup = true;
  return c;
}

}  // namespace

TTWKCommand CommandOfControl(const QString& id) {
  for (const TControlCommand& c : kControls)
    if (id == QLatin1String(c.Id)) return c.Command;
  return cmdNone;
}

bool CommandAvailable(TTWKCommand command) {
  // The options, own-addresses, inbox, re-import and relocation dialogs are
  // not part of this build yet.
  return command == cmdShowMainDialog;
}

TAddinControl TWKRibbonTab() {
  using C = TAddinControl;
  TAddinControl tab = Control(C::ckTab, "adxRibbonTabC802F78B3E0D4B9DB1A039DCF5737C3B", "Tarnwick");
  TAddinControl group = Control(C::ckGroup, "adxRibbonGroupC572084834B44E0DBCA0EFD74E48E030", "Export emails and attachments");
  TAddinControl box = Control(C::ckBox, "adxRibbonBoxDB3ECE82E735447E96DECF9888266EF6", "");
  TAddinControl main = Control(C::ckButton, "adxRibbonButton14360E9EF43F479992E352AC17B2E0FC", "Tarnwick");
  main.Large = true;
  main.ImageIndex = 0;
  main.ScreenTip = QStringLiteral("Tarnwick");
  main.SuperTip = QStringLiteral("Export emails, extract email attachments, copy/move emails");
  TAddinControl menu = Control(C::ckMenu, "adxRibbonMenu7247D1181E2A4C9E985135E1C7FC5C54", "Settings and tools");
  menu.Large = true;
  menu.Children = {
      Control(C::ckMenuSeparator, "adxRibbonMenuSeparatorCBD971E4654143989730FA5903C46A75", "Settings"),
      Control(C::ckButton, "adxRibbonButton84EF118707B741699FF50CA1BBCD3EF1", "Options"),
      Control(C::ckButton, "adxRibbonButtonA9F2A2F8F42F46C2845AB48BA7AF3AB5", "Own email addresses"),
      Control(C::ckButton, "adxRibbonButton525E52AED1114ACAB6D3F6487C1793FC", "Settings for Inbox"),
      Control(C::ckMenuSeparator, "adxRibbonMenuSeparatorD64D8C3A264E431AA48276FEF6676C48", "Tools"),
      Control(C::ckButton, "adxRibbonButton639A799A1B6F45ED9469CC510C7568A1", "Reimport attachments"),
      Control(C::ckButton, "adxRibbonButtonB843B45E3C864A59B58A35F0939A8D7A", "Relocate links"),
  };
  box.Children = {main, menu};
  group.Children = {box};
  tab.Children = {group};
  return tab;
}

TAddinControl TWKExplorerCommandBar() {
  using C = TAddinControl;
  TAddinControl bar = Control(C::ckCommandBar, "", "Tarnwick 5.5");
  TAddinControl main = Control(C::ckButton, "{A2D2DEA6-6EB2-4B2A-9587-19130AC0246A}", "Tarnwick");
  main.ImageIndex = 0;
  TAddinControl popup = Grouped(Control(C::ckPopup, "{5AADF0DF-3F22-423D-9F14-AB8E6911A992}", "?"));
  popup.Children = {
      Control(C::ckMenuItem, "{D61E6AFD-42DF-4DBD-A8B6-C9DFD0C3EB83}", "Options..."),
      Control(C::ckMenuItem, "{69913BCF-EC02-4BE7-96FB-582E1F263CD8}", "Own email addresses..."),
      Grouped(Control(C::ckMenuItem, "{64505C59-B181-4E68-868D-49E1D4A75EC4}", "Settings for Inbox...")),
      Grouped(Control(C::ckMenuItem, "{CA701FD0-7E71-4D63-BB67-BF53C3C27E9D}", "Reimport attachments...")),
      Control(C::ckMenuItem, "{311804D3-211D-43D9-B43A-ADD6D7973D61}", "Relocate links..."),
  };
  bar.Children = {main, popup};
  return bar;
}

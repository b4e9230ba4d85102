// The About box: the product icon and the version.
#pragma once

#include <QDialog>

class TFormAbout : public QDialog {
  Q_OBJECT

public:
  explicit TFormAbout(QWidget* owner = nullptr);
  int Execute();
};

// The version the About box shows.
inline constexpr const char* kTarnwickVersion = "5.5.0.1";

void ShowAbout(QWidget* owner);

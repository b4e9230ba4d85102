// The local help pages: the folder "Help" beside the module, opened through
// the desktop (xdg-open).
#pragma once

#include <QString>

class QWidget;

// The folder the pages are looked up in, with a trailing "/".
QString HelpDirectory();
// Opens page ("index.htm", "emailfilter.htm", ...); raises an Exception with
// the system's reason when the page cannot be opened.
void OpenHelpPage(QWidget* owner, const QString& page);

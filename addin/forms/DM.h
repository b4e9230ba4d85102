// The shared image list of the add-in's windows (TTWK_DataModule): image 0
// is the product icon, drawn from our own SVG compiled in as a resource.
#pragma once

#include <QIcon>
#include <QList>

class TTWK_DataModule {
public:
  // The one instance, made at first use (after the application object).
  static TTWK_DataModule& Instance();
  const QList<QIcon>& ImageList() const { return FImageList; }

private:
  TTWK_DataModule();
  QList<QIcon> FImageList;
};

// Image 0 of the list; a null icon when it is missing (callers then keep
// the default window icon).
QIcon ProductIcon();

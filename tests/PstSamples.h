// The public Outlook samples the pst tests read: the test data of the npm
// package pst-extractor 1.12.0, fetched by scripts/fetch-pst-samples.sh into
// the directory ctest names in TWK_PST_SAMPLES (the pst_samples fixture).
#pragma once

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QString>

inline QString PstSamplesDir() { return qEnvironmentVariable("TWK_PST_SAMPLES"); }
inline QString PstSample(const QString& name) { return PstSamplesDir() + QLatin1Char('/') + name; }

// In SetUp: a test program run by hand without TWK_PST_SAMPLES skips, saying
// why; under ctest (the variable set) a missing sample fails the test.
#define TWK_REQUIRE_PST_SAMPLES()                                                                              \
  do {                                                                                                          \
    if (PstSamplesDir().isEmpty())                                                                              \
      GTEST_SKIP() << "TWK_PST_SAMPLES is not set: run scripts/fetch-pst-samples.sh and set it to the "        \
                      "directory it prints (ctest does both)";                                                  \
    for (const char* f : {"enron.pst", "pstextractortest@outlook.com.ost", "pstextractortestpdf@outlook.com.ost"}) \
      if (!QFileInfo::exists(PstSample(QString::fromLatin1(f))))                                               \
        FAIL() << "The Outlook sample " << f << " is missing in " << PstSamplesDir().toStdString()             \
               << " (the fetch by scripts/fetch-pst-samples.sh failed)";                                        \
  } while (0)

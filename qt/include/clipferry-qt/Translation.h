// The language of the dialog's texts. Nothing needs calling: the library
// takes the application's locale when the application starts, or at once
// when it is loaded into a running one, as a plugin is. A host with a
// language setting of its own (a user's choice that is not the desktop's)
// passes it here.
#pragma once

#include <QLocale>

#include "Global.h"

namespace Clipferry {

// Replaces the dialog's translation with the first of the locale's languages
// it has one for (English, the texts' own language, ends the search). Returns
// whether a translation is now used: false for English, for a language
// without one, and before the application exists. Called on another thread,
// it is done on the application's thread once its events run, and returns false.
CLIPFERRY_QT_EXPORT bool useLanguage(const QLocale& locale);

}  // namespace Clipferry

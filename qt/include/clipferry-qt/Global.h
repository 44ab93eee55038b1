// Symbol visibility of the clipferry-qt library: its classes are exported,
// everything else stays hidden.
#pragma once

#include <QtCore/qglobal.h>

#if defined(CLIPFERRY_QT_BUILDING)
#define CLIPFERRY_QT_EXPORT Q_DECL_EXPORT
#else
#define CLIPFERRY_QT_EXPORT Q_DECL_IMPORT
#endif

// The plugin's texts, from its data/locale/*.ini through OBS's own lookup.
#pragma once

#include <QString>

#include <obs-module.h>

namespace ClipferryObs {

inline QString text(const char* key) { return QString::fromUtf8(obs_module_text(key)); }

}  // namespace ClipferryObs

// The program's colours: the brand blue RGB(64,155,228) and the few tones drawn around it.
// Threading: constants.
#pragma once

#include <QColor>

namespace nimbrel::palette {

inline const QColor kBlue(64, 155, 228);
inline const QColor kBlueDark(36, 118, 190);
inline const QColor kBlueLight(92, 172, 236);
inline const QColor kBluePale(208, 229, 248);
inline const QColor kBlueWash(236, 245, 253);
inline const QColor kInk(60, 60, 60);
inline const QColor kInkSoft(110, 116, 124);
inline const QColor kLine(206, 212, 220);
inline const QColor kDarkBackground(90, 94, 98);
inline const QColor kNotice(253, 253, 253);

}  // namespace nimbrel::palette

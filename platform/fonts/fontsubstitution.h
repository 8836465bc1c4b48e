#ifndef FONTSUBSTITUTION_H
#define FONTSUBSTITUTION_H

#include <QString>
#include <QStringList>

// The client names the Windows fonts "微软雅黑" (whiteboard text, text box, labels) and "黑体" (tool bar). On Linux
// both stand for the installed CJK font, WenQuanYi Micro Hei, so that text renders with known metrics.
namespace FontSubstitution {
QString substituteFamily();
QStringList substitutedFamilies();
// Enters the substitutions; the program calls it once at start, tests call it before they render text.
void install();
} // namespace FontSubstitution

#endif // FONTSUBSTITUTION_H

#pragma once
// Where a button caption goes: the pure part of painting a TSimpleBitmapButton, kept apart
// so that it can be checked without a widget.

#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

// The rectangle a caption is drawn and clipped in: 5 pixels inside each edge.
QRect captionBox(int width, int height);

// True when the caption does not fit one line of the box and has to be wrapped.
bool captionNeedsWrap(int textWidth, int width);

// Top-left corner of the text cell of a one-line caption. The vertical place assumes a
// 24-pixel cell whatever the font, so that captions of every height sit on one line.
QPoint singleLineCaptionOrigin(int textWidth, int width, int height);

// The caption broken at blanks into lines no wider than `width` where the words allow it.
// Only the lines whose whole cell fits `height` are kept (at least one); the last kept line
// ends in an ellipsis when text is left over, and a word wider than the box is elided.
QStringList wrapCaption(const QString& text, const QFontMetrics& metrics, int width, int height);

// True when a button of that size cannot show the whole caption: words were left out or cut.
bool captionCutShort(const QString& text, const QFontMetrics& metrics, int width, int height);

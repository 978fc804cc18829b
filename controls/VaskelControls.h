#pragma once
// Controls drawn from the program's own pictures: a shared, reference-counted image cache,
// a control that shows one of an ordered list of images, one that knows when the pointer
// is over it, the image button built on both, and a label whose text runs top to bottom.

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>

class QPainter;

// A picture loaded from the program's resources for one device pixel ratio; drawn with the
// painter, it covers `logicalSize` whatever resolution it holds.
class TTolveBitmap : public QImage {
public:
    using QImage::QImage;
    QString resourceName;  // the key under which it sits in the cache
    int lockCount = 0;     // list places in imaged controls that refer to it
    QSize logicalSize;     // the size in logical pixels: the 1x picture's size
    qreal loadedRatio = 1; // the device pixel ratio it was loaded for
    bool nightVision = false; // turned red for night vision when it was loaded
};

// A missing or unreadable picture resource.
class EResourceError : public std::runtime_error {
public:
    explicit EResourceError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Where pictures are found by name: ":/" (the embedded resources) unless tests say otherwise.
void setImageResourceRoot(const QString& root);

// Every picture is stored twice: under its name at 1x, and under the name with "@2x" at twice
// the resolution, drawn from the same geometry. A device of ratio 1 or less draws from the 1x
// picture, any higher ratio from the 2x one.
int pictureScaleFor(qreal devicePixelRatio);

// Loads the picture stored under `name` (a PNG, alpha kept) for a device of `devicePixelRatio`.
// Only the picture that ratio draws from is decoded: the 2x twin, smoothly scaled once to the
// exact ratio when that is not 2 (1.25, 1.5), so that painting copies pixels one to one; or
// the 1x picture as it is (at ratio 1 or less, or where no twin is stored, for the painter to
// stretch). Every picture the program draws comes through here. In night vision the picture
// is turned red; each picture is converted once per resolution while night vision lasts,
// and the conversion is shared by everything that loads it. Throws EResourceError when it is
// missing or unreadable. The caller owns the result; it does not enter the cache.
std::unique_ptr<TTolveBitmap> LoadResourceBitmap(const QString& name, qreal devicePixelRatio = 1);

// Starts decoding `names` for a device of `devicePixelRatio` on a thread of its own, in that
// order, while the caller goes on: LoadResourceBitmap takes each from there, waiting for it
// if need be. endPicturePrefetch waits for the thread, drops what was not taken and returns
// those names.
void prefetchPictures(const QStringList& names, qreal devicePixelRatio);
QStringList endPicturePrefetch();

// Brings `bitmap` to the resolution of a device of `devicePixelRatio` (a window moved to
// another screen) and to the current look, loading it afresh only when either differs; the
// same object, with its name and count, holds the new picture. Left as it is when the picture
// cannot be loaded.
void matchDisplay(TTolveBitmap& bitmap, qreal devicePixelRatio);

// Draws the part `source` of `bitmap` (in logical pixels of the picture) at `target`.
void drawBitmapPart(QPainter& painter, QPoint target, const TTolveBitmap& bitmap,
                    const QRect& source);

// The program-wide cache: pairs of resource name and image, searched linearly, names compared
// without regard to case. It holds only images added through AddImage.
struct BitmapCacheEntry {
    QString name;
    TTolveBitmap* bitmap;
};
const QList<BitmapCacheEntry>& bitmapCache();
// The cached image of that name, or null.
TTolveBitmap* findCachedBitmap(const QString& name);

// A control that shows one image of an ordered list of shared images.
class TTolveImagedControl : public QWidget {
    Q_OBJECT
public:
    explicit TTolveImagedControl(QWidget* aowner = nullptr);
    ~TTolveImagedControl() override; // releases the images (see the cache rules)

    // Appends the cached image of that name (loading and caching it the first time).
    // Throws EResourceError when it cannot be loaded; nothing is added then.
    void AddImage(const QString& resName);

    int ImageBase() const { return FimageBase; }
    // Stores a new base and repaints at once; an equal value does nothing.
    void SetImageBase(int base);

    QColor BackColor() const { return FBackColor; }
    void setBackColor(const QColor& c) { FBackColor = c; }

    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool e) { setEnabled(e); }

    const QList<TTolveBitmap*>& bitmaps() const { return bitmaps_; }
    // Number of immediate repaints SetImageBase has made; lets tests tell a repaint from none.
    int immediateRepaints() const { return immediateRepaints_; }

protected:
    QList<TTolveBitmap*> bitmaps_;
    int FimageBase = 0;
    QColor FBackColor = QColor(67, 61, 54);
    int immediateRepaints_ = 0;
};

// An imaged control that tracks whether the pointer is over it.
class TTolveHilitableControl : public TTolveImagedControl {
    Q_OBJECT
public:
    explicit TTolveHilitableControl(QWidget* aowner = nullptr);
    bool hover = false;

protected:
    // Inside when 0 <= X <= Width and 0 <= Y <= Height; inside captures the pointer,
    // outside releases it.
    void mouseMoveEvent(QMouseEvent* event) override;
    // Disabled or hidden, the control gets no more moves: it lets the pointer go.
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Moved from under the pointer it holds, no move comes to bring its picture down.
    void moveEvent(QMoveEvent* event) override;
    // A click clears hover without a repaint: the picture comes down when the pointer leaves.
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // 0 <= X <= Width and 0 <= Y <= Height, in the control's coordinates.
    bool isOver(QPointF p) const;
    // Another widget of the window lies over the control at `p`.
    bool coveredAt(QPointF p) const;
    // Hover and capture for the pointer at `p`; true when it is over the control.
    bool trackPointer(QPointF p);

private:
    void dropPointer();
};

// A button drawn from its images, with a caption over them.
class TSimpleBitmapButton : public TTolveHilitableControl {
    Q_OBJECT
public:
    using Handler = std::function<void(TSimpleBitmapButton* sender)>;

    explicit TSimpleBitmapButton(QWidget* aowner = nullptr);

    Handler OnClick;      // left button released after a press
    Handler OnRightClick; // right button released after a press

    QString Text() const { return FText; }
    void setText(const QString& t) { FText = t; } // no repaint
    int FontHeight() const { return FFontHeight; }
    void setFontHeight(int h) { FFontHeight = h; } // no repaint

    int Tag = 0;          // what the owner uses to tell buttons apart
    bool clicked = false; // pressed over the control and not yet released
    // The second click of a double click reports nothing: for a button whose second click
    // would act on what the first one brought up.
    bool doubleClickIsOneClick = false;

protected:
    // A caption cut short shows whole in the tooltip.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString FText;
    int FFontHeight = 24;
};

// A label whose text runs from top to bottom, against its right edge, centred vertically. A
// text longer than the label shows its start and an ellipsis, and whole in its tooltip.
class TVerticalLabel : public QWidget {
    Q_OBJECT
public:
    explicit TVerticalLabel(QWidget* parent = nullptr);

    QString Text() const { return FText; }
    void setText(const QString& t); // no repaint
    int FontHeight() const { return FFontHeight; }
    void setFontHeight(int h); // no repaint; 0 is the default height
    bool cutShort() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Clicks go through to what lies beneath; only a text cut short takes the pointer, for
    // its tooltip.
    void takePointerWhenCut();

    QString FText;
    int FFontHeight = 0;
};

// The interface font at a pixel height (cell height), as the program's own drawing uses it.
QFont interfaceFont(int pixelHeight, bool bold = false);

// Shows a text the device chose as a tooltip, as it is: never read as markup.
void showPlainToolTip(const QPoint& globalPos, const QString& text, QWidget* widget);

// A text the device chose, with each line end or tab a blank, as a text input shows it: drawn
// on one line, a line end joined the words on either side of it.
QString oneLineText(QString text);

class QLineEdit;
// The keypad's decimal key types the locale's decimal separator into a number field, as the
// field reads it: French and Swiss layouts give "." there, which a French locale reads as no
// number, and "0.5" mm then moved a single step.
void keypadTypesLocaleSeparator(QLineEdit* edit);

// Says that the interface font's faces are the embedded ones, added by the program: their sizes
// by cell height are then known without loading a font engine to measure each, which matters
// for the sizes only hidden parts of the window use. Sizes found before are forgotten.
void interfaceFacesAreEmbedded();

#include "controls/VaskelControls.h"

#include "controls/CaptionLayout.h"
#include "controls/Theme.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QHash>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>
#include <QtMath>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Pictures and the cache

namespace {

QString& resourceRoot() {
    static QString root = QStringLiteral(":/");
    return root;
}

// The cache as callers see it, and the images it keeps alive. Both change together: an image
// lives exactly as long as its entry.
QList<BitmapCacheEntry>& cacheEntries() {
    static QList<BitmapCacheEntry> entries;
    return entries;
}

std::vector<std::unique_ptr<TTolveBitmap>>& cachedImages() {
    static std::vector<std::unique_ptr<TTolveBitmap>> images;
    return images;
}

TTolveBitmap* addToCache(const QString& name, std::unique_ptr<TTolveBitmap> image) {
    TTolveBitmap* raw = image.get();
    cachedImages().push_back(std::move(image));
    cacheEntries().append({name, raw});
    return raw;
}

// Drops the entry of `image` and frees it.
void removeFromCache(TTolveBitmap* image) {
    cacheEntries().removeIf([image](const BitmapCacheEntry& e) { return e.bitmap == image; });
    auto& images = cachedImages();
    images.erase(std::remove_if(images.begin(), images.end(),
                                [image](const auto& owned) { return owned.get() == image; }),
                 images.end());
}

// The file of a picture: its exact name first; failing that, a name differing only in case,
// since callers name pictures without regard to case.
QString resourcePath(const QString& name, QString root = resourceRoot()) {
    if (!root.endsWith(u'/'))
        root += u'/';
    const QString exact = root + name;
    if (QFileInfo(exact).isFile() || name.isEmpty() || name.contains(u'/'))
        return exact;
    const QDir dir(root);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

} // namespace

void setImageResourceRoot(const QString& root) {
    resourceRoot() = root;
}

int pictureScaleFor(qreal devicePixelRatio) {
    return devicePixelRatio > 1 ? 2 : 1;
}

namespace {

// The pictures are stored without an extension: the content must be a PNG.
QImage readPng(const QString& path, const QString& name) {
    QImageReader reader(path, "png");
    // Straight to the PNG reader: left to guess, Qt first loads every image format plugin
    // installed to ask each whether it reads PNG, which the start of the program would wait for.
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull()) {
        throw EResourceError(QStringLiteral("Resource %1 is not a readable PNG image (%2)")
                                 .arg(name, reader.errorString()));
    }
    return image;
}

} // namespace

namespace {

// A picture as loaded for one resolution and look.
struct LoadedPicture {
    QImage image;
    QSize logical;
};

// The night-vision pictures, by name and ratio: converted once while night vision lasts and
// shared, pixels and all, by every control that loads them. Emptied when the normal look
// comes back.
QHash<QString, LoadedPicture>& nightPictures() {
    static QHash<QString, LoadedPicture> pictures;
    static const bool followed = [] {
        theme::followLook(qApp, [] {
            if (!theme::nightVision())
                pictures.clear();
        });
        return true;
    }();
    Q_UNUSED(followed);
    return pictures;
}

// Where the picture comes from, by name without regard to case, and for which ratio.
QString nightKey(const QString& name, qreal devicePixelRatio) {
    return resourceRoot() + u'|' + name.toLower() + u'@' + QString::number(devicePixelRatio);
}

std::unique_ptr<TTolveBitmap> makeBitmap(const QString& name, qreal devicePixelRatio,
                                         const LoadedPicture& picture, bool night) {
    auto bitmap = std::make_unique<TTolveBitmap>();
    bitmap->QImage::operator=(picture.image);
    bitmap->resourceName = name;
    bitmap->lockCount = 0;
    bitmap->logicalSize = picture.logical;
    bitmap->loadedRatio = devicePixelRatio;
    bitmap->nightVision = night;
    return bitmap;
}

} // namespace

namespace {

// A picture read and converted for drawing: thread-safe, touching nothing shared.
LoadedPicture decodePicture(const QString& root, const QString& name, qreal devicePixelRatio) {
    const QString path = resourcePath(name, root);
    if (!QFileInfo(path).isFile())
        throw EResourceError(QStringLiteral("Resource %1 not found").arg(name));

    // 32 bits either way; premultiplied alpha is what the painter blends fastest. Converted in
    // place where it can be: a second copy of a window-sized picture would count in the
    // program's peak memory. Converted before any scaling too: the toolkit's smooth scaling
    // of a picture stored with a palette crashes.
    auto to32Bits = [](QImage& image) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    };
    QImage image;
    QSize logical;
    const QString twinName = name + QStringLiteral("@2x");
    const QString twin =
        pictureScaleFor(devicePixelRatio) == 2 ? resourcePath(twinName, root) : QString();
    if (!twin.isEmpty() && QFileInfo(twin).isFile()) {
        image = readPng(twin, twinName);
        to32Bits(image);
        logical = QSize((image.width() + 1) / 2, (image.height() + 1) / 2);
        if (qFuzzyCompare(devicePixelRatio, 2.0)) {
            image.setDevicePixelRatio(2);
        } else {
            image = image.scaled(qCeil(logical.width() * devicePixelRatio),
                                 qCeil(logical.height() * devicePixelRatio), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
            image.setDevicePixelRatio(devicePixelRatio);
        }
    } else {
        image = readPng(path, name);
        to32Bits(image);
        logical = image.size();
    }
    return LoadedPicture{std::move(image), logical};
}

// Pictures decoded ahead on a thread of their own, in the order they will be asked for.
class Prefetch {
public:
    Prefetch(const QStringList& names, qreal devicePixelRatio)
        : root_(resourceRoot()), ratio_(devicePixelRatio), names_(names),
          taken_(names.size(), false), worker_([this] { run(); }) {}
    ~Prefetch() {
        if (worker_.joinable())
            worker_.join();
    }

    // Waits for the thread; the names of the pictures not taken.
    QStringList end() {
        if (worker_.joinable())
            worker_.join();
        QStringList left;
        for (qsizetype i = 0; i < names_.size(); ++i) {
            if (!taken_[i])
                left.append(names_[i]);
        }
        return left;
    }

    // The picture, once decoded, if it was to be decoded here and not taken before; nothing
    // otherwise, nor when it could not be decoded (the caller then tries and reports).
    std::optional<LoadedPicture> take(const QString& name, qreal devicePixelRatio) {
        if (resourceRoot() != root_ || devicePixelRatio != ratio_)
            return std::nullopt;
        const qsizetype index = names_.indexOf(name);
        if (index < 0)
            return std::nullopt;
        std::unique_lock lock(mutex_);
        decodedOne_.wait(lock, [&] { return decoded_ > index; });
        taken_[index] = true;
        return std::exchange(pictures_[index], std::nullopt);
    }

private:
    void run() {
        for (qsizetype i = 0; i < names_.size(); ++i) {
            std::optional<LoadedPicture> picture;
            try {
                picture = decodePicture(root_, names_[i], ratio_);
            } catch (const EResourceError&) {
            }
            const std::lock_guard lock(mutex_);
            pictures_.push_back(std::move(picture));
            ++decoded_;
            decodedOne_.notify_all();
        }
    }

    const QString root_;
    const qreal ratio_;
    const QStringList names_;
    std::mutex mutex_;
    std::condition_variable decodedOne_;
    std::vector<std::optional<LoadedPicture>> pictures_; // by the index of their name
    qsizetype decoded_ = 0;
    std::vector<bool> taken_; // by the index of their name, by the caller's thread only
    std::thread worker_; // last: started when the rest is ready
};

std::unique_ptr<Prefetch>& prefetch() {
    static std::unique_ptr<Prefetch> running;
    return running;
}

} // namespace

void prefetchPictures(const QStringList& names, qreal devicePixelRatio) {
    prefetch() = std::make_unique<Prefetch>(names, devicePixelRatio);
}

QStringList endPicturePrefetch() {
    if (!prefetch())
        return {};
    const QStringList left = prefetch()->end();
    prefetch().reset();
    return left;
}

std::unique_ptr<TTolveBitmap> LoadResourceBitmap(const QString& name, qreal devicePixelRatio) {
    const bool night = theme::nightVision();
    if (night) {
        const auto it = nightPictures().constFind(nightKey(name, devicePixelRatio));
        if (it != nightPictures().constEnd())
            return makeBitmap(name, devicePixelRatio, *it, true);
    }

    std::optional<LoadedPicture> prefetched;
    if (prefetch())
        prefetched = prefetch()->take(name, devicePixelRatio);
    LoadedPicture picture =
        prefetched ? std::move(*prefetched) : decodePicture(resourceRoot(), name, devicePixelRatio);
    if (night) {
        picture.image = theme::nightVisionImage(picture.image);
        nightPictures().insert(nightKey(name, devicePixelRatio), picture);
    }
    return makeBitmap(name, devicePixelRatio, picture, night);
}

void matchDisplay(TTolveBitmap& bitmap, qreal devicePixelRatio) {
    if (qFuzzyCompare(bitmap.loadedRatio, devicePixelRatio) &&
        bitmap.nightVision == theme::nightVision())
        return;
    try {
        const std::unique_ptr<TTolveBitmap> fresh =
            LoadResourceBitmap(bitmap.resourceName, devicePixelRatio);
        bitmap.QImage::operator=(std::move(*fresh));
        bitmap.logicalSize = fresh->logicalSize;
    } catch (const EResourceError&) {
        // Drawn as it is: stretched, or in the other look, but drawn.
    }
    // Not tried again at every paint.
    bitmap.loadedRatio = devicePixelRatio;
    bitmap.nightVision = theme::nightVision();
}

void drawBitmapPart(QPainter& painter, QPoint target, const TTolveBitmap& bitmap,
                    const QRect& source) {
    const qreal scale = bitmap.devicePixelRatio();
    const QRectF pixels(source.x() * scale, source.y() * scale, source.width() * scale,
                        source.height() * scale);
    painter.drawImage(QRectF(target, QSizeF(source.size())), bitmap, pixels);
}

const QList<BitmapCacheEntry>& bitmapCache() {
    return cacheEntries();
}

TTolveBitmap* findCachedBitmap(const QString& name) {
    for (const BitmapCacheEntry& entry : cacheEntries()) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry.bitmap;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The interface font

namespace {

int cellHeight(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

// Fonts are sized in the program by their cell height, as positive font heights are on
// Windows, where the face is scaled until its cell is exactly that high. Qt's engines only
// take whole pixel sizes, so some cells (18, 22, 28 for this face) are one pixel out: the
// size whose cell comes closest wins, and of two equally close the one whose em is.
int pixelSizeForCell(int cell, bool bold) {
    QFont font(QStringLiteral("Titillium Web"));
    font.setBold(bold);

    font.setPixelSize(1000);
    const QFontMetricsF reference(font);
    const qreal idealEm = cell * 1000.0 / (reference.ascent() + reference.descent());
    const int guess = std::max(1, qRound(idealEm));
    // Most cells are met exactly by the nearest size, and then no other can win; each size
    // tried loads a font engine, which costs the start of the program dearly.
    font.setPixelSize(guess);
    if (cellHeight(font) == cell && std::abs(guess - idealEm) < 0.5)
        return guess;

    int best = guess;
    int bestMiss = std::numeric_limits<int>::max();
    for (int px = std::max(1, guess - 1); px <= guess + 1; ++px) {
        font.setPixelSize(px);
        const int miss = std::abs(cellHeight(font) - cell);
        const bool closerEm = std::abs(px - idealEm) < std::abs(best - idealEm);
        if (miss < bestMiss || (miss == bestMiss && closerEm)) {
            best = px;
            bestMiss = miss;
        }
    }
    return best;
}

// What the search above finds for the embedded faces, regular and bold alike, by cell height
// from 8 to 64: the pixel size and the cell it gives. With the embedded faces the size is taken
// as it stands; with faces of the system's, where the face in use gives that cell. Either way
// no search: it loads one or more font engines besides the one the text needs, each costing
// the start of the program a fraction of a millisecond, and checking loads that one early, for
// sizes only hidden parts may ever show.
struct KnownSize {
    unsigned char pixelSize, cell;
};
constexpr int kFirstKnownCell = 8;
constexpr KnownSize kKnownSizes[] = {
    {5, 8}, {6, 9}, {7, 11}, {7, 11}, {8, 12}, {9, 13}, {9, 13}, {10, 15}, {11, 16}, {11, 16},
    {12, 19}, {12, 19}, {13, 20}, {14, 21}, {14, 21}, {15, 23}, {16, 24}, {16, 24}, {17, 26},
    {18, 27}, {18, 27}, {19, 29}, {20, 31}, {20, 31}, {21, 32}, {22, 34}, {22, 34}, {23, 35},
    {24, 36}, {24, 36}, {25, 38}, {26, 39}, {26, 39}, {27, 41}, {28, 43}, {28, 43}, {29, 44},
    {30, 46}, {30, 46}, {31, 47}, {32, 48}, {32, 48}, {33, 50}, {34, 52}, {34, 52}, {35, 54},
    {35, 54}, {36, 55}, {37, 56}, {37, 56}, {38, 58}, {39, 59}, {39, 59}, {40, 61}, {41, 62},
    {41, 62}, {42, 64}};

bool g_embeddedFaces = false;

QHash<int, int>& knownPixelSizes() {
    static QHash<int, int> sizes; // by cell height * 2 + bold
    return sizes;
}

int pixelSizeFor(int cell, bool bold) {
    const int index = cell - kFirstKnownCell;
    if (index >= 0 && index < int(std::size(kKnownSizes))) {
        if (g_embeddedFaces)
            return kKnownSizes[index].pixelSize;
        QFont font(QStringLiteral("Titillium Web"));
        font.setBold(bold);
        font.setPixelSize(kKnownSizes[index].pixelSize);
        if (cellHeight(font) == kKnownSizes[index].cell)
            return kKnownSizes[index].pixelSize;
    }
    return pixelSizeForCell(cell, bold);
}

} // namespace

QFont interfaceFont(int pixelHeight, bool bold) {
    if (pixelHeight == 0) {
        // The application's default size, fixed in pixels: a size in points would be
        // measured and drawn at different sizes on devices of different resolution.
        QFont font(QStringLiteral("Titillium Web"));
        font.setBold(bold);
        font.setPixelSize(std::max(1, QFontInfo(QGuiApplication::font()).pixelSize()));
        return font;
    }
    if (pixelHeight < 0) {
        // A negative height is the character (em) height, as on Windows.
        QFont font(QStringLiteral("Titillium Web"));
        font.setBold(bold);
        font.setPixelSize(-pixelHeight);
        return font;
    }
    // Each search takes a few metric look-ups; painting asks for the same few heights.
    QHash<int, int>& pixelSizes = knownPixelSizes();
    const int key = pixelHeight * 2 + (bold ? 1 : 0);
    auto it = pixelSizes.constFind(key);
    if (it == pixelSizes.constEnd())
        it = pixelSizes.insert(key, pixelSizeFor(pixelHeight, bold));
    QFont font(QStringLiteral("Titillium Web"));
    font.setBold(bold);
    font.setPixelSize(*it);
    return font;
}

void interfaceFacesAreEmbedded() {
    g_embeddedFaces = true;
    knownPixelSizes().clear();
}

// ---------------------------------------------------------------------------------------------
// TTolveImagedControl

// Double buffered as every Qt widget is: painting goes to the window's backing store first.
TTolveImagedControl::TTolveImagedControl(QWidget* aowner) : QWidget(aowner) {}

TTolveImagedControl::~TTolveImagedControl() {
    // Each list place holds one count: a picture added twice is decremented at its first
    // place and freed at its second.
    for (TTolveBitmap* image : std::as_const(bitmaps_)) {
        if (image->lockCount == 1)
            removeFromCache(image);
        else
            --image->lockCount;
    }
    bitmaps_.clear();
}

void TTolveImagedControl::AddImage(const QString& resName) {
    TTolveBitmap* image = findCachedBitmap(resName);
    if (!image)
        image = addToCache(resName, LoadResourceBitmap(resName, devicePixelRatio()));
    bitmaps_.append(image);
    ++image->lockCount;
}

void TTolveImagedControl::SetImageBase(int base) {
    if (base == FimageBase)
        return;
    FimageBase = base;
    // At once: the preset grid switches several buttons in a row and each must show its
    // new state without waiting for the event loop.
    ++immediateRepaints_;
    repaint();
}

// ---------------------------------------------------------------------------------------------
// TTolveHilitableControl

TTolveHilitableControl::TTolveHilitableControl(QWidget* aowner) : TTolveImagedControl(aowner) {
    setMouseTracking(true);
}

bool TTolveHilitableControl::isOver(QPointF p) const {
    const int x = qFloor(p.x());
    const int y = qFloor(p.y());
    // Both far edges count as inside; they are only reached while the pointer is captured.
    return x >= 0 && x <= width() && y >= 0 && y <= height();
}

void TTolveHilitableControl::mouseMoveEvent(QMouseEvent* event) {
    if (trackPointer(event->position()) || event->buttons() != Qt::NoButton)
        return;
    // A quick move can leave this control straight onto a neighbour, which hears of nothing
    // until the next move and stays dark under the pointer meanwhile.
    const QPointF global = event->globalPosition();
    auto* next = qobject_cast<TTolveHilitableControl*>(QApplication::widgetAt(global.toPoint()));
    // Only within the window: a neighbour in a window that a modal one blocks would take the
    // pointer from it.
    if (next && next != this && next->isEnabled() && next->window() == window())
        next->trackPointer(next->mapFromGlobal(global));
}

bool TTolveHilitableControl::coveredAt(QPointF p) const {
    // Held, the pointer reaches this control through whatever was shown over it since (the
    // "Calibrating" cover a reply brings up). The far edges, which count as over the control,
    // are looked at on its last pixels.
    const QPoint inside(std::clamp(qFloor(p.x()), 0, std::max(0, width() - 1)),
                        std::clamp(qFloor(p.y()), 0, std::max(0, height() - 1)));
    const QWidget* top = window()->childAt(mapTo(window(), inside));
    return top && top != this && !top->isAncestorOf(this);
}

bool TTolveHilitableControl::trackPointer(QPointF p) {
    if (isOver(p) && !coveredAt(p)) {
        if (!hover)
            update();
        hover = true;
        // Captured, so that the move that leaves the control still arrives here.
        if (mouseGrabber() != this) {
            grabMouse();
            window()->installEventFilter(this);
        }
        return true;
    }
    if (hover)
        update();
    hover = false;
    releaseMouse();
    return false;
}

bool TTolveHilitableControl::eventFilter(QObject* watched, QEvent* event) {
    // A modal dialog opened over the window (a warning that came with a reply): held here, the
    // pointer could never click it, and this control would stay lit beneath it.
    if (event->type() == QEvent::WindowBlocked && watched == window()) {
        if (hover)
            update();
        dropPointer();
    }
    // The pointer left the window. Under Wayland the capture reaches no further than the
    // window: no move from beyond it follows, and the control stayed lit with the pointer gone.
    if (event->type() == QEvent::Leave && watched == window() && hover) {
        update();
        dropPointer();
    }
    return TTolveImagedControl::eventFilter(watched, event);
}

void TTolveHilitableControl::changeEvent(QEvent* event) {
    // Qt delivers no pointer events to a disabled widget: a capture kept now would hold the
    // whole application's pointer with nothing left to release it.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        dropPointer();
    TTolveImagedControl::changeEvent(event);
}

void TTolveHilitableControl::hideEvent(QHideEvent* event) {
    // A hidden control must not keep the pointer, or clicks where it was would reach it.
    dropPointer();
    TTolveImagedControl::hideEvent(event);
}

void TTolveHilitableControl::moveEvent(QMoveEvent* event) {
    // UPGRADE moves with the view: held, the pointer left below it would still light it, and
    // a press there would upgrade.
    if (hover)
        trackPointer(mapFromGlobal(QCursor::pos()));
    TTolveImagedControl::moveEvent(event);
}

void TTolveHilitableControl::leaveEvent(QEvent* event) {
    // Not while the pointer is held: then the moves bring the picture down.
    if (!hover)
        update();
    TTolveImagedControl::leaveEvent(event);
}

void TTolveHilitableControl::dropPointer() {
    releaseMouse();
    hover = false;
}

// ---------------------------------------------------------------------------------------------
// TSimpleBitmapButton

TSimpleBitmapButton::TSimpleBitmapButton(QWidget* aowner) : TTolveHilitableControl(aowner) {
    setCursor(Qt::PointingHandCursor);
}

void TSimpleBitmapButton::mousePressEvent(QMouseEvent* event) {
    if (coveredAt(event->position())) {
        trackPointer(event->position()); // lets the pointer go to the cover
        return;
    }
    clicked = true;
}

void TSimpleBitmapButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The toolkit reports the second press of a double click once more as this event.
    if (doubleClickIsOneClick)
        clicked = false;
    else
        mousePressEvent(event);
}

void TSimpleBitmapButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!clicked)
        return;
    // Not tested against the bounds: the release counts wherever the pointer went since.
    const Handler* handler = nullptr;
    if (event->button() == Qt::LeftButton && OnClick)
        handler = &OnClick;
    else if (event->button() == Qt::RightButton && OnRightClick)
        handler = &OnRightClick;

    if (handler) {
        releaseMouse();
        if (isEnabled()) {
            // No repaint: the handler usually changes the window, and the next pointer move
            // brings the highlight back.
            hover = false;
            clicked = false;
            // A copy, since the handler may replace itself; the guard, since it may delete
            // the button.
            const Handler call = *handler;
            const QPointer<TSimpleBitmapButton> alive(this);
            call(this);
            if (!alive)
                return;
            // A menu or dialog the handler opened took the pointer elsewhere: this button
            // hears of no move that would bring its picture down, and would stay lit.
            if (!rect().contains(mapFromGlobal(QCursor::pos())))
                update();
        }
    }
    clicked = false;
}

bool TSimpleBitmapButton::event(QEvent* event) {
    // A preset's name cut short on its button, or shown on one line, is read whole nowhere else.
    if (event->type() != QEvent::ToolTip || FText.isEmpty() ||
        (oneLineText(FText) == FText &&
         !captionCutShort(FText, QFontMetrics(interfaceFont(FFontHeight)), width(), height())))
        return TTolveHilitableControl::event(event);
    showPlainToolTip(static_cast<QHelpEvent*>(event)->globalPos(), FText, this);
    return true;
}

void TSimpleBitmapButton::paintEvent(QPaintEvent*) {
    // An incomplete set shows nothing at all, not even the fill. A negative base has no
    // image to show either.
    if (FimageBase < 0 || bitmaps_.size() < qsizetype(FimageBase) + 2)
        return;

    QPainter painter(this);
    painter.fillRect(rect(), theme::shown(FBackColor));
    const bool lit = hover && isEnabled();
    TTolveBitmap& shown = *bitmaps_[FimageBase + (lit ? 1 : 0)];
    matchDisplay(shown, devicePixelRatio());
    painter.drawImage(QPoint(0, 0), shown);

    if (FText.isEmpty())
        return;
    const QString caption = oneLineText(FText);
    const QFont font = interfaceFont(FFontHeight);
    painter.setFont(font);
    painter.setPen(theme::shown(isEnabled() ? QColor(255, 255, 255) : QColor(128, 128, 128)));
    painter.setBackgroundMode(Qt::TransparentMode);

    const QFontMetrics metrics(font);
    const QRect box = captionBox(width(), height());
    if (box.isEmpty())
        return;
    painter.setClipRect(box);
    const int textWidth = metrics.horizontalAdvance(caption);
    if (captionNeedsWrap(textWidth, width())) {
        const QStringList lines = wrapCaption(caption, metrics, box.width(), box.height());
        int top = box.top();
        for (const QString& line : lines) {
            const int x = box.left() + (box.width() - metrics.horizontalAdvance(line)) / 2;
            painter.drawText(x, top + metrics.ascent(), line);
            top += metrics.ascent() + metrics.descent();
        }
    } else {
        const QPoint origin = singleLineCaptionOrigin(textWidth, width(), height());
        painter.drawText(origin.x(), origin.y() + metrics.ascent(), caption);
    }
}

// ---------------------------------------------------------------------------------------------
// TVerticalLabel

TVerticalLabel::TVerticalLabel(QWidget* parent) : QWidget(parent) {
    // Drawn on its parent's surface: clicks go through and no background is filled.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
}

void TVerticalLabel::setText(const QString& t) {
    FText = t;
    takePointerWhenCut();
}

void TVerticalLabel::setFontHeight(int h) {
    FFontHeight = h;
    takePointerWhenCut();
}

bool TVerticalLabel::cutShort() const {
    // The focusers' own names ("VASKEL4_8B8D") are up to a few pixels longer than the label:
    // centred, they lose no more than the edges of their end letters, and stay as they are.
    constexpr int kEndBleed = 3;
    // Empty, as at start, it needs no font measured.
    return !FText.isEmpty() && QFontMetrics(interfaceFont(FFontHeight)).horizontalAdvance(FText) >
           height() + 2 * kEndBleed;
}

void TVerticalLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    takePointerWhenCut();
}

void TVerticalLabel::takePointerWhenCut() {
    // A click it takes, it ignores: that goes on to the parent all the same.
    setAttribute(Qt::WA_TransparentForMouseEvents, !cutShort());
}

bool TVerticalLabel::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !cutShort())
        return QWidget::event(event);
    showPlainToolTip(static_cast<QHelpEvent*>(event)->globalPos(), FText, this);
    return true;
}

void TVerticalLabel::paintEvent(QPaintEvent*) {
    if (FText.isEmpty())
        return;
    QPainter painter(this);
    const QFont font = interfaceFont(FFontHeight);
    painter.setFont(font);
    painter.setPen(theme::shown(Qt::black));
    painter.setBackgroundMode(Qt::TransparentMode);

    const QFontMetrics metrics(font);
    // Centred and cut at both ends, a long network name would show a middle part that reads
    // as the whole name.
    const QString shown = cutShort() ? metrics.elidedText(FText, Qt::ElideRight, height()) : FText;
    const int textWidth = metrics.horizontalAdvance(shown);
    // Turned a quarter clockwise about the top-left corner of the text cell: the text runs
    // downwards and the tops of the letters face the right edge, where the corner sits.
    painter.translate(width(), (height() - textWidth) / 2);
    painter.rotate(90);
    painter.drawText(0, metrics.ascent(), shown);
}

QString oneLineText(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}

namespace {

class KeypadSeparator : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString separator = QLocale().decimalPoint();
        if (!key->modifiers().testFlag(Qt::KeypadModifier) || key->text() == separator ||
            (key->text() != u"." && key->text() != u","))
            return false;
        static_cast<QLineEdit*>(watched)->insert(separator);
        return true;
    }
};

} // namespace

void keypadTypesLocaleSeparator(QLineEdit* edit) {
    edit->installEventFilter(new KeypadSeparator(edit));
}

void showPlainToolTip(const QPoint& globalPos, const QString& text, QWidget* widget) {
    // A tooltip reads text that looks like markup as markup: a password "Sky<b>net</b>" would
    // show as a bold "Skynet", and two blanks as one. Such text goes as markup of itself.
    QString tip = text;
    if (Qt::mightBeRichText(tip))
        tip = QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() +
              QStringLiteral("</p>");
    QToolTip::showText(globalPos, tip, widget);
}

// ---------------------------------------------------------------------------------------------
// Caption layout

QRect captionBox(int width, int height) {
    return QRect(5, 5, width - 10, height - 10);
}

bool captionNeedsWrap(int textWidth, int width) {
    return textWidth > width - 10;
}

QPoint singleLineCaptionOrigin(int textWidth, int width, int height) {
    return QPoint((width - textWidth) / 2, (height - 24) / 2);
}

QStringList wrapCaption(const QString& text, const QFontMetrics& metrics, int width, int height) {
    QStringList lines;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& paragraph : normalised.split(u'\n')) {
        QString current;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString longer = current.isEmpty() ? word : current + u' ' + word;
            if (current.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
                current = longer;
            } else {
                lines.append(current);
                current = word;
            }
        }
        lines.append(current);
    }

    const int lineHeight = metrics.ascent() + metrics.descent();
    const qsizetype fitting = std::max(1, lineHeight > 0 ? height / lineHeight : 1);
    if (lines.size() > fitting) {
        const QString rest = lines.mid(fitting - 1).join(u' ');
        lines.resize(fitting);
        // Forced past the width, so that the ellipsis shows that text was left out.
        lines.last() = metrics.elidedText(rest + u' ' + QChar(0x2026), Qt::ElideRight, width);
    }
    for (QString& line : lines) {
        if (metrics.horizontalAdvance(line) > width)
            line = metrics.elidedText(line, Qt::ElideRight, width);
    }
    return lines;
}

bool captionCutShort(const QString& text, const QFontMetrics& metrics, int width, int height) {
    if (!captionNeedsWrap(metrics.horizontalAdvance(text), width))
        return false;
    const QRect box = captionBox(width, height);
    // Wrapping only moves words to other lines; anything else shown differs from the text.
    return wrapCaption(text, metrics, box.width(), box.height()).join(u' ').simplified() !=
           text.simplified();
}

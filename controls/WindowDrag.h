#pragma once
// Moving a borderless window by its own title strip: the point pressed stays under the
// pointer. Windows with a title strip of their own inherit this.

#include <QEvent>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QWidget;

// Where a window of `size` goes to be centred on `centre` and yet lie within `available`, a
// screen's area for windows: moved in from any edge it would cross. A window larger than that
// area keeps its top left in it, where its title strip starts.
QPoint placeWithin(QSize size, QPoint centre, const QRect& available);

// Ends for the toolkit a press on `grabber` at `at` whose release the window system keeps, as it
// does once it moves the window itself. The toolkit, which saw the press, would otherwise go on
// sending every pointer move to `grabber`, and no button beneath the pointer lit until a click.
void releaseTakenPress(QWidget* grabber, QPoint at);

// Told that `object` went to another screen: a window of the program shown at its normal size
// keeps its size in logical pixels there, as it would on a desktop that scales windows itself.
void keepSizeOnNewScreen(QObject* object);

class TitleDrag {
public:
    bool moveWindowActive = false; // a drag is in progress
    int moveWindowClickX = 0;      // where the strip was pressed, in the grabbing control
    int moveWindowClickY = 0;

protected:
    // The type of a pointer event on a title strip: the second of two quick presses comes as a
    // double click, and is a press as any other (a window clicked forward and at once pressed
    // again to move it moved nothing).
    static QEvent::Type titleEventType(const QEvent* event) {
        return event->type() == QEvent::MouseButtonDblClick ? QEvent::MouseButtonPress
                                                            : event->type();
    }
    // A press at (x, y) of `grabber`, a control of `window`. Where the window system does not
    // let a program place its own window (Wayland), the window system moves it instead. A
    // modal dialog that blocks the window ends the drag.
    void beginTitleDrag(QWidget* window, QWidget* grabber, int x, int y);
    // A pointer move to (x, y) of the grabbing control.
    void continueTitleDrag(QWidget* window, int x, int y) const;
    void endTitleDrag(QWidget* grabber);

private:
    QPointer<QObject> blockWatch_; // ends the drag when a modal dialog blocks the window
};

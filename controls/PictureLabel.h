#pragma once
// A picture from the program's resources on a label, drawn from the picture that matches the
// device pixel ratio of the screen the label is on, in the program's current look.

#include <QLabel>

class PictureLabel : public QLabel {
    Q_OBJECT
public:
    // When the picture is decoded: with the label, or when the label is first shown, for the
    // large pictures of overlays that many sessions never open.
    enum class Decode { Now, WhenShown };

    // Shows `resource` unscaled from the top left of `box`; with `stretch` a picture of
    // another size than the box is scaled to it. With Decode::Now, throws EResourceError when
    // the picture cannot be loaded.
    PictureLabel(QWidget* parent, const QString& resource, const QRect& box, bool stretch = false,
                 Decode decode = Decode::Now);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows the picture loaded for `ratio`; throws EResourceError as the loader does.
    void load(qreal ratio);
    // Loads the picture for the label's ratio and the current look unless it already holds
    // that one.
    void matchDisplay();

    QString resource_;
    bool stretch_;
    qreal ratio_ = 0;          // the ratio the picture shown was loaded for; 0 while none is
    bool nightVision_ = false; // the picture shown is the night-vision one
};

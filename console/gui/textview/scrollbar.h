// A scroll bar that paints again only when a change of its range, page or value changes its
// picture: a log that grows by a line moves a long log's handle by less than a pixel, and
// each repaint of a bar also repaints what lies under it.
#pragma once
#include <QScrollBar>
#include <QStyle>
#include <optional>

class PaneScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What the style draws from: the handle's place and size, and whether the bar can move
    // and stands at either end.
    struct Look {
        QRect handle;
        bool movable, atStart, atEnd;
        friend bool operator==(const Look&, const Look&) = default;
    };
    QRect part(QStyle::SubControl control) const;
    Look look() const;
    std::optional<Look> painted_;
};

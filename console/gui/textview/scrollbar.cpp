#include "scrollbar.h"

#include <QStyle>
#include <QStyleOptionSlider>

void PaneScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange || !painted_) return QScrollBar::sliderChange(change);
    const Look now = look();
    if (now.movable != painted_->movable) return QScrollBar::sliderChange(change);
    // Only what differs from the picture is painted again: where the handle was and is, and
    // an arrow whose end the bar left or reached. (A repaint of the whole bar is dear: Qt
    // hands a fill of about a hundred rows or more to worker threads.)
    QRegion changed;
    if (now.handle != painted_->handle) changed += (now.handle | painted_->handle).adjusted(-2, -2, 2, 2);
    if (now.atStart != painted_->atStart) changed += part(QStyle::SC_ScrollBarSubLine);
    if (now.atEnd != painted_->atEnd) changed += part(QStyle::SC_ScrollBarAddLine);
    if (!changed.isEmpty()) update(changed);
}

void PaneScrollBar::paintEvent(QPaintEvent* event) {
    painted_ = look();
    QScrollBar::paintEvent(event);
}

QRect PaneScrollBar::part(QStyle::SubControl control) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
}

PaneScrollBar::Look PaneScrollBar::look() const {
    return {part(QStyle::SC_ScrollBarSlider), minimum() < maximum(), sliderPosition() == minimum(),
            sliderPosition() == maximum()};
}

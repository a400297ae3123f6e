#include "gui/CategoryDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
constexpr int kPadding = 6;
constexpr int kBarHeight = 6;
constexpr int kGap = 3;

QString nameOf(const QModelIndex& index) {
    // The display text is "name\ndetail"; the name is its first line.
    return index.data(Qt::DisplayRole).toString().section(QLatin1Char('\n'), 0, 0);
}
}  // namespace

QSize CategoryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const QFontMetrics metrics(option.font);
    return {160, kPadding + 3 * metrics.height() + kGap + kBarHeight + kPadding};
}

void CategoryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const bool empty = index.data(EmptyRole).toBool();
    const QPalette::ColorGroup group = empty ? QPalette::Disabled : QPalette::Normal;
    const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect area = option.rect.adjusted(kPadding + 2, kPadding, -kPadding - 2, -kPadding);
    const QFontMetrics metrics(option.font);

    painter->save();
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(text);
    const QRect nameLine(area.left(), area.top(), area.width(), metrics.height());
    painter->drawText(nameLine, Qt::AlignLeft | Qt::AlignVCenter, nameOf(index));
    painter->setFont(option.font);
    const QRect detailLine(area.left(), nameLine.bottom() + 1, area.width(), metrics.height());
    painter->drawText(detailLine, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data(DetailRole).toString(), Qt::ElideRight, detailLine.width()));

    const QRect selectionLine(area.left(), detailLine.bottom() + 1, area.width(), metrics.height());
    painter->drawText(selectionLine, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data(SelectionRole).toString(), Qt::ElideRight, selectionLine.width()));

    // The track is the whole category; the fills are its shares, left to right.
    const QRectF track(area.left(), selectionLine.bottom() + 1 + kGap, area.width(), kBarHeight);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    QColor trackColor = option.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Mid);
    trackColor.setAlpha(selected ? 90 : 140);
    painter->setBrush(trackColor);
    painter->drawRoundedRect(track, kBarHeight / 2.0, kBarHeight / 2.0);
    QPainterPath clip;
    clip.addRoundedRect(track, kBarHeight / 2.0, kBarHeight / 2.0);
    painter->setClipPath(clip);
    double x = track.left();
    const struct {
        int role;
        QColor color;
    } shares[] = {{SelectedShareRole, selected ? QColor(255, 255, 255) : option.palette.color(QPalette::Highlight)},
                  {AllCopiesShareRole, QColor(0xd0, 0x3a, 0x2f)},
                  {KeptShareRole, QColor(0x3a, 0x9a, 0x4a)}};
    for (const auto& share : shares) {
        const double fraction = std::clamp(index.data(share.role).toDouble(), 0.0, 1.0);
        const double width = std::min(fraction * track.width(), track.right() - x);
        if (width <= 0) continue;
        painter->setBrush(share.color);
        painter->drawRect(QRectF(x, track.top(), width, track.height()));
        x += width;
    }
    painter->restore();
}

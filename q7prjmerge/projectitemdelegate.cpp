#include "projectitemdelegate.h"

#include "blockmap.h"
#include "projectlist.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int margin = 8;
constexpr int colourStripe = 7;

QString count(const QVariant &value)
{
    const qint64 number = value.toLongLong();
    return number < 0 ? QStringLiteral("?") : QLocale().toString(number);
}

int contentsWidth(const QStyleOptionViewItem &option, const QString &text)
{
    return text.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(text) + 2 * margin;
}

// The text beside the path, from the item's data.
QString contentsText(const QModelIndex &index)
{
    if (!index.data(ProjectList::TicketRole).isValid())
        return QString();
    const QVariant positions = index.data(ProjectList::PositionImagesRole);
    if (!positions.isValid())
        return ProjectItemDelegate::tr("reading…");
    return ProjectItemDelegate::tr("%1 positions · %2 cameras, %3 images")
        .arg(count(positions), count(index.data(ProjectList::OrientationCamerasRole)),
             count(index.data(ProjectList::OrientationImagesRole)));
}

} // namespace

void ProjectItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    const QString text = contentsText(index);
    // The contents take at most 60% of the row; the path is shortened first.
    const int width = std::min(contentsWidth(option, text), option.rect.width() * 3 / 5);
    QStyleOptionViewItem full(option);
    initStyleOption(&full, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &full, painter, widget);

    // The project's colour on the map, as a stripe at the row's left.
    painter->fillRect(QRect(option.rect.left(), option.rect.top() + 1, colourStripe - 2, option.rect.height() - 2),
                      QColor(QRgb(projectColour(index.data(ProjectList::ColourRole).toInt()))));
    QStyleOptionViewItem path(option);
    path.rect.setLeft(option.rect.left() + colourStripe);
    path.rect.setRight(option.rect.right() - width);
    QStyledItemDelegate::paint(painter, path, index);
    if (text.isEmpty())
        return;

    const QRect contents = option.rect.adjusted(option.rect.width() - width + margin, 0, -margin, 0);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(contents, Qt::AlignVCenter | Qt::AlignRight,
                      option.fontMetrics.elidedText(text, Qt::ElideRight, contents.width()));
    painter->restore();
}

QSize ProjectItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Rows take the list's width; paint() shortens the path to fit.
    return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
}

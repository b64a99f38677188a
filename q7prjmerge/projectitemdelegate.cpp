#include "projectitemdelegate.h"

#include "blockmap.h"
#include "projectlist.h"
#include "shownpath.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QRegularExpression>

namespace {

constexpr int margin = 8;
constexpr int colourStripe = 7;

QString count(const QVariant &value)
{
    const qint64 number = value.toLongLong();
    return number < 0 ? QStringLiteral("?") : QLocale().toString(number);
}

// What stands for the folders left out of a path.
const QString lead = QStringLiteral("…") + QDir::separator();

// Both separators: the shown path's own, and "/" on Windows, where Qt takes either.
const QRegularExpression &separators()
{
    static const QRegularExpression both(QStringLiteral("[/\\\\]"));
    return both;
}

int contentsWidth(const QStyleOptionViewItem &option, const QString &text)
{
    // One pixel more: the advance is rounded, and elidedText measures exactly.
    return text.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(text) + 1 + 2 * margin;
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
    QStyleOptionViewItem full(option);
    initStyleOption(&full, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &full, painter, widget);

    // The project's colour on the map, as a stripe at the row's left.
    painter->fillRect(QRect(option.rect.left(), option.rect.top() + 1, colourStripe - 2, option.rect.height() - 2),
                      QColor(QRgb(projectColour(index.data(ProjectList::ColourRole).toInt()))));
    // The path keeps at least its file name; the contents get the rest they need.
    QStyleOptionViewItem path(full);
    path.rect.setLeft(option.rect.left() + colourStripe);
    // The style's margins round the text, and the warning icon with its own.
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const bool icon = path.features & QStyleOptionViewItem::HasDecoration;
    const int besideText = 2 * textMargin + (icon ? path.decorationSize.width() + 2 * textMargin : 0);
    const QFontMetrics metrics(path.font);
    const QString fileName = path.text.split(separators()).last();
    const int leastPath = colourStripe + besideText + metrics.horizontalAdvance(lead + fileName);
    const int width = contentsColumnWidth(option.rect.width(), leastPath, contentsWidth(option, text));
    path.rect.setRight(option.rect.right() - width);
    path.text = elidedPath(path.text, metrics, path.rect.width() - besideText);
    style->drawControl(QStyle::CE_ItemViewItem, &path, painter, widget);
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

QString ProjectItemDelegate::elidedPath(const QString &path, const QFontMetrics &metrics, int room)
{
    if (metrics.horizontalAdvance(path) <= room)
        return path;
    const QStringList parts = path.split(separators());
    QString tail = parts.last();
    if (metrics.horizontalAdvance(lead + tail) > room)
        return metrics.elidedText(tail, Qt::ElideMiddle, room);
    for (int i = int(parts.size()) - 2; i > 0; --i) {
        const QString longer = parts[i] + QDir::separator() + tail;
        if (metrics.horizontalAdvance(lead + longer) > room)
            break;
        tail = longer;
    }
    return lead + tail;
}

QString ProjectItemDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    return shownPath(QStyledItemDelegate::displayText(value, locale));
}

int ProjectItemDelegate::contentsColumnWidth(int rowWidth, int leastPathWidth, int contentsWidth)
{
    return std::max(0, std::min(contentsWidth, rowWidth - leastPathWidth));
}

QSize ProjectItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Rows take the list's width; paint() shortens the path to fit.
    return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
}

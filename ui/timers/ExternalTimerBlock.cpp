#include "ui/timers/ExternalTimerBlock.h"

#include "base/Colors.h"
#include "ontime/OntimeModel.h"
#include "ui/common/LabelStyle.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

namespace {

// A label that draws at most `maxLines` lines from its top edge and cuts the last one with an
// ellipsis, in its palette's text colour (whose alpha carries the opacity).
class BlockLabel : public QLabel {
public:
    BlockLabel(int maxLines, QWidget* parent) : QLabel(parent), maxLines(maxLines) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (text().isEmpty())
            return;
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetricsF metrics(font());
        // No glyph of these fonts is narrower than two pixels: more than this never shows, so
        // it is neither laid out nor elided on every blink.
        const qsizetype fits = maxLines * (width() / 2 + 1);
        QString content = text().left(fits);
        if (maxLines == 1)
            content.replace(QLatin1Char('\n'), QLatin1Char(' '));

        QTextLayout layout(content, font());
        QList<QPair<int, int>> lines;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && lines.size() < maxLines;
             line = layout.createLine()) {
            line.setLineWidth(width());
            lines.append({line.textStart(), line.textLength()});
        }
        layout.endLayout();

        qreal baseline = metrics.ascent();
        for (qsizetype index = 0; index < lines.size(); ++index) {
            const bool last = index == lines.size() - 1;
            const QString piece = last ? content.mid(lines[index].first)
                                       : content.mid(lines[index].first, lines[index].second);
            const QString shown =
                last ? metrics.elidedText(piece.simplified(), Qt::ElideRight, width()) : piece;
            painter.drawText(QPointF(0, baseline), shown);
            baseline += metrics.lineSpacing();
        }
    }

private:
    int maxLines;
};

QLabel* makeLabel(QWidget* parent, int maxLines, const QFont& font, const QColor& colour) {
    auto* label = new BlockLabel(maxLines, parent);
    // Every text here can come from a timer server: never guessed as HTML.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    LabelStyle::setTextColour(label, colour);
    return label;
}

void setColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    // Called four times a second: leave an unchanged colour alone.
    if (palette.color(QPalette::WindowText) != colour)
        LabelStyle::setTextColour(label, colour);
}

} // namespace

ExternalTimerBlock::ExternalTimerBlock(QWidget* parent)
    : QWidget(parent),
      caption(makeLabel(this, 1, LabelStyle::interfaceFont(12, QFont::Normal), Colors::grey(0.6))),
      time(makeLabel(this, 1, LabelStyle::timeFont(44, QFont::Medium), Colors::grey(1.0))),
      message(makeLabel(this, 2, LabelStyle::interfaceFont(16, QFont::Bold), Colors::yellow)),
      secondary(
          makeLabel(this, 1, LabelStyle::interfaceFont(13, QFont::Medium), Colors::grey(0.85))),
      status(makeLabel(this, 1, LabelStyle::interfaceFont(11, QFont::Normal), Colors::grey(0.5))) {}

void ExternalTimerBlock::display(const QString& captionText, std::optional<double> remaining,
                                 bool paused, bool running, const QString& messageText, bool blink,
                                 const QString& secondaryText, const QString& statusText) {
    caption->setText(captionText);

    if (!remaining) {
        time->setText(QStringLiteral("--:--"));
        setColour(time, Colors::grey(0.4));
    } else {
        time->setText(OntimeModel::format(*remaining));
        // Over time beats paused, paused beats running.
        setColour(time, *remaining < 0 ? Colors::red
                        : paused       ? Colors::orange
                        : running      ? Colors::grey(1.0)
                                       : Colors::grey(0.55));
    }

    message->setText(messageText);
    QColor messageColour = Colors::yellow;
    messageColour.setAlphaF(
        float(messageOpacity(blink, double(QDateTime::currentMSecsSinceEpoch()) / 1000)));
    setColour(message, messageColour);
    // Tooltips guess HTML too; an escaped paragraph shows the server's text as written.
    message->setToolTip(messageText.isEmpty() ? QString() : Qt::convertFromPlainText(messageText));

    secondary->setText(secondaryText);
    status->setText(statusText);
}

void ExternalTimerBlock::display(const TimerBlockContent& content) {
    const bool trouble = !content.trouble.isEmpty();
    display(content.caption, content.remaining, content.paused, content.running,
            trouble ? content.trouble : content.message, content.blink && !trouble,
            content.secondary, content.status);
    if (trouble)
        setColour(message, Colors::red);
}

double ExternalTimerBlock::messageOpacity(bool blink, double secondsSince1970) {
    if (!blink)
        return 1.0;
    return qint64(std::floor(2 * secondsSince1970)) % 2 != 0 ? 1.0 : 0.15;
}

QList<QRect> ExternalTimerBlock::frames(int width) {
    return {QRect(0, 132, width, 16), QRect(-2, 76, width, 54), QRect(0, 36, width, 40),
            QRect(0, 16, width, 18), QRect(0, 0, width, 14)};
}

void ExternalTimerBlock::resizeEvent(QResizeEvent*) {
    const QList<QRect> bottomUp = frames(width());
    const QList<QLabel*> labels{caption, time, message, secondary, status};
    for (qsizetype index = 0; index < labels.size(); ++index) {
        const QRect& frame = bottomUp[index];
        labels[index]->setGeometry(frame.x(), height() - frame.y() - frame.height(), frame.width(),
                                   frame.height());
    }
}

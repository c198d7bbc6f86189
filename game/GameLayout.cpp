#include "GameLayout.h"

#include "AttemptRow.h"
#include "GameWindow.h"
#include "ListBox.h"
#include "MaskEdit.h"
#include "Messages.h"
#include "StdCtrls.h"

#include <QFontMetrics>
#include <QHash>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace {

// Below this a text would be hard to read. No text of a game window comes
// near it in the fonts of a stock desktop.
constexpr int SmallestPixelSize = 10;
// Space kept between a text and the edge of its panel.
constexpr int Margin = 6;

int TextWidth(const QFontMetrics& metrics, const QString& text) {
    // The ink of a bold glyph can reach past its advance.
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
}

int WidestText(const QFont& font, const QStringList& texts) {
    // The twelve game windows measure many of the same texts in the same
    // fonts: each is measured once (on the user-interface thread).
    static QHash<QString, int> measured;
    const QFontMetrics metrics(font);
    const QString fontKey = font.key() + '\n';
    int widest = 0;
    for (const QString& text : texts) {
        const QString key = fontKey + text;
        auto found = measured.constFind(key);
        if (found == measured.cend()) found = measured.insert(key, TextWidth(metrics, text));
        widest = std::max(widest, *found);
    }
    return widest;
}

// The font's designed size, or the largest smaller one in which every text fits
// in room pixels.
QFont FittingFont(QFont font, const QStringList& texts, int room) {
    while (font.pixelSize() > SmallestPixelSize && WidestText(font, texts) > room)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

void FitLabel(QWidget* label, const QStringList& texts, int right) {
    label->setFont(FittingFont(label->font(), texts, right - label->x()));
}

// The digit that takes the most room in this font.
QChar WidestDigit(const QFont& font) {
    const QFontMetrics metrics(font);
    QChar widest = '0';
    for (QChar digit = '1'; digit <= '9'; digit = QChar(digit.unicode() + 1))
        if (metrics.horizontalAdvance(digit) > metrics.horizontalAdvance(widest)) widest = digit;
    return widest;
}

QString Digits(const QFont& font, int n) {
    return QString(n, WidestDigit(font));
}

// The room a line edit needs around its text: its frame and the inner margins.
int FieldChrome(const QWidget& field) {
    const int frame = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &field);
    return 2 * frame + 2 * 2 + 2; // Qt keeps 2 pixels on each side inside the frame, and the cursor
}

int AttemptListRoom(const TListBox& list) {
    const int textMargin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    // 73 rows never fit in the list's height, so its vertical scroll bar is
    // always there.
    const int scrollBar = list.verticalScrollBar()->sizeHint().width();
    return list.width() - 2 * list.frameWidth() - scrollBar - 2 * textMargin;
}

QString WidestAttemptRow(const TVariant& variant, const QFont& font) {
    // No Tulva and no Vesk hit gives the most "- " pieces; the 72nd row the
    // widest number.
    THits none;
    none.InPlace.assign(variant.Digits, false);
    const QString guess = Digits(font, variant.Digits);
    const QString withHelp = AttemptRow(variant, MaxAttempts, guess, none, 1);
    const QString withoutHelp = AttemptRow(variant, MaxAttempts, guess, none, 0);
    return WidestText(font, {withHelp}) >= WidestText(font, {withoutHelp}) ? withHelp : withoutHelp;
}

} // namespace

void FitGameWindowLayout(TGameWindow& w) {
    const TVariant& v = w.Variant;

    // The instruction panel: the field keeps to the right edge, Label10 ends
    // before it.
    const int panel1Right = w.Panel1->contentsRect().right() - Margin;
    w.MaskEdit1->resize(
        QFontMetrics(w.MaskEdit1->font()).horizontalAdvance(Digits(w.MaskEdit1->font(), v.Digits)) +
            FieldChrome(*w.MaskEdit1),
        w.MaskEdit1->height());
    w.MaskEdit1->move(panel1Right - w.MaskEdit1->width(), w.MaskEdit1->y());
    FitLabel(w.Label8, {v.Label8}, panel1Right);
    FitLabel(w.Label9, {v.Label9}, panel1Right);
    FitLabel(w.Label10, {v.Label10}, w.MaskEdit1->x() - Margin);
    FitLabel(w.Label11, {AndPressEnterText}, panel1Right);

    // The message panel: the longest messages carry the determination number.
    const int panel2Right = w.Panel2->contentsRect().right() - Margin;
    const QString number = Digits(w.Label3->font(), v.Digits);
    FitLabel(w.Label2, {WarningsText, LossText, InterruptedText}, panel2Right);
    FitLabel(w.Label3,
             {PressNewGameText, v.EmptyMessage, WrongNumberText, AlreadyEnteredText, v.LastAttemptMessage,
              TimeStoppedText, LossNumberText + number, RevealedNumberText + number},
             panel2Right);

    // The attempts panel: header, rows and the repeated-digit indicator.
    w.Panel4->setFont(FittingFont(w.Panel4->font(), {v.HeaderCaption}, w.Panel4->contentsRect().width()));
    const int listRoom = AttemptListRoom(*w.ListBox1);
    QFont rowFont = w.ListBox1->font();
    while (rowFont.pixelSize() > SmallestPixelSize &&
           WidestText(rowFont, {WidestAttemptRow(v, rowFont)}) > listRoom)
        rowFont.setPixelSize(rowFont.pixelSize() - 1);
    w.ListBox1->setFont(rowFont);
    // A row is never shortened with an ellipsis.
    w.ListBox1->setTextElideMode(Qt::ElideNone);
    if (v.Panel6 == TPanel6Kind::Indicator) {
        const QString digits = Digits(w.Label1->font(), v.IndicatorDigits);
        FitLabel(
            w.Label1,
            {"Double : Yes(No)", "Double : YES", "Double : NO", "Double Digits", v.IndicatorPrefix + digits},
            w.Panel6->contentsRect().right() - Margin);
    }
}

// Every text and control of every game window lies whole inside its panel,
// measured in the font each control really has (QFontMetrics): the labels in
// the states that give them their longest texts, the input field with N
// digits beside Label10, and the attempts list with the 72nd row and the
// widest row any game can give; and the score windows' rank labels beside
// their list. On Debian the font is DejaVu Sans Bold.
#include "AttemptRow.h"
#include "GameDriver.h"
#include "ScoreWindow.h"
#include "TabSetMemo.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QStyle>
#include <set>

namespace {

int Width(const QWidget& control, const QString& text) {
    const QFontMetrics metrics(control.font());
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
}

class GameLayout : public GameDriver {
protected:
    // The control lies inside its parent's inner rectangle.
    void ExpectInsideItsPanel(const char* name) {
        auto* control = Game->findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        const QRect inner = control->parentWidget()->contentsRect();
        EXPECT_TRUE(inner.contains(control->geometry()))
            << name << " at " << control->x() << ".." << control->geometry().right() << " in "
            << control->parentWidget()->objectName().toStdString() << " ending at " << inner.right();
    }
    // The label shows its whole text and lies inside its panel.
    void ExpectWholeLabel(const char* name) {
        auto* label = Game->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_LE(Width(*label, label->text()), label->width())
            << name << ": " << label->text().toStdString();
        ExpectInsideItsPanel(name);
    }
    // The text fits a list row: the list's width less its scroll bar and the
    // margins the row's text is drawn within.
    void ExpectRowFits(const QString& row) {
        TListBox* list = List();
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        const int room = list->width() - 2 * list->frameWidth() -
                         list->verticalScrollBar()->sizeHint().width() - 2 * margin;
        EXPECT_LE(Width(*list, row), room) << Game->objectName().toStdString() << ": \"" << row.toStdString()
                                           << "\" in " << list->font().pixelSize() << " px";
        EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
    }
    std::string Secret() const { return std::string("9876543210").substr(0, Game->Variant.Digits); }
    // Guesses of N distinct digits, all different, none of them the secret above.
    std::vector<std::string> Guesses(int count) const {
        std::string digits = "0123456789";
        std::set<std::string> seen;
        std::vector<std::string> guesses;
        while (static_cast<int>(guesses.size()) < count) {
            const std::string guess = digits.substr(0, Game->Variant.Digits);
            if (seen.insert(guess).second) guesses.push_back(guess);
            std::next_permutation(digits.begin(), digits.end());
        }
        return guesses;
    }
};

} // namespace

TEST_F(GameLayout, EveryTextAndControlOfEveryGameWindowLiesWholeInsideItsPanel) {
    for (const TVariant& variant : Variants()) {
        SCOPED_TRACE(variant.ClassName.toStdString());
        Open(variant.ClassName);
        if (auto* tabs = Game->findChild<TTabSet*>("TabSet1")) {
            EXPECT_EQ(tabs->TabIndex(), 1); // help shown
        }

        // Idle: the instructions, and the field beside Label10 with room for N
        // digits.
        for (const char* name : {"Label8", "Label9", "Label10", "Label11", "Label2", "Label3", "Label6"})
            ExpectWholeLabel(name);
        for (const char* name : {"MaskEdit1", "Panel4", "ListBox1"}) ExpectInsideItsPanel(name);
        EXPECT_LT(Game->findChild<QWidget*>("Label10")->geometry().right(), Edit()->x());
        const int frame = Edit()->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Edit());
        EXPECT_LE(Width(*Edit(), QString(variant.Digits, '8')) + 2 * frame + 4, Edit()->width());
        auto* header = Game->findChild<TPanel*>("Panel4")->findChild<QLabel*>("Panel4Caption");
        EXPECT_LE(Width(*header, header->text()), header->width());

        // Every named control of the window's own lies inside the panel or client area that holds it.
        for (QWidget* control : Game->findChildren<QWidget*>()) {
            const QString name = control->objectName();
            QWidget* holder = control->parentWidget();
            const bool own = !name.isEmpty() && !name.startsWith("qt_") && !name.endsWith("Caption");
            if (own && (dynamic_cast<TPanel*>(holder) || holder == Game->Client()))
                ExpectInsideItsPanel(name.toStdString().c_str());
        }
        auto* tabs = Game->findChild<TTabSet*>("TabSet1");
        for (int i = 0; tabs && i < tabs->count(); ++i)
            EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << tabs->tabText(i).toStdString();

        // The number given away.
        NewGame(Secret());
        Click("BitBtn4");
        ExpectWholeLabel("Label2");
        ExpectWholeLabel("Label3");

        // The loss with its number, and the 72nd row.
        NewGame(Secret());
        const std::vector<std::string> guesses = Guesses(72);
        for (int i = 0; i < 71; ++i) Game->Session.Enter(guesses[i]);
        ASSERT_EQ(Game->Session.Attempts(), 71);
        Enter(guesses[71]);
        EXPECT_EQ(Text("Label2"), "I`m Sory! You didn`t succeed to guess");
        ExpectWholeLabel("Label2");
        ExpectWholeLabel("Label3");
        ASSERT_TRUE(List()->Item(72).contains("72 )"));
        ExpectRowFits(List()->Item(72));
        if (variant.Panel6 == TPanel6Kind::Indicator) ExpectWholeLabel("Label1");

        // The widest row any game can give: no hit at all, in the 72nd row, with
        // and without help.
        THits none;
        none.InPlace.assign(variant.Digits, false);
        for (int helpMode : {0, 1})
            ExpectRowFits(AttemptRow(variant, 72, QString(variant.Digits, '8'), none, helpMode));
        Click("BitBtn2");
    }
}

// The rank labels 1) to 10) of every score window show their whole text and
// end before the list's left edge, in the font they really have.
TEST_F(GameLayout, EveryScoreWindowsRankLabelsEndBeforeItsList) {
    int windows = 0;
    for (TForm* form : Application->AllForms()) {
        auto* score = dynamic_cast<TScoreWindow*>(form);
        if (!score) continue;
        ++windows;
        const int listLeft = score->findChild<QWidget*>("ListBox4")->x();
        for (int rank = 1; rank <= 10; ++rank) {
            auto* label = score->findChild<QLabel*>(QString("Label%1").arg(rank + 1));
            ASSERT_NE(label, nullptr);
            const std::string where = form->objectName().toStdString() + " " + label->text().toStdString();
            EXPECT_EQ(label->text(), QString("%1)").arg(rank)) << where;
            EXPECT_LE(Width(*label, label->text()), label->width()) << where;
            EXPECT_GE(label->x(), 0) << where;
            EXPECT_LT(label->geometry().right(), listLeft) << where;
            EXPECT_TRUE(label->font().bold()) << where;
        }
    }
    EXPECT_EQ(windows, 12);
}

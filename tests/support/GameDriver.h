#pragma once
// Drives a game window as the player does: the main menu, key clicks into
// MaskEdit1, button clicks and timer ticks, with an injected number, clock
// and sound sink. Tests read what the player would see by object name.
#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "GameWindow.h"
#include "ListBox.h"
#include "MaskEdit.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Timer.h"
#include "UMein.h"
#include "startup.h"

#include <QLocale>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString Dir = "/opt/tulva/";

// The random numbers that make the distinct draw yield `secret`.
std::deque<int64_t> DistinctScript(const std::string& secret) {
    std::array<char, 11> pool = {' ', '1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
    std::deque<int64_t> script;
    const int n = static_cast<int>(secret.size());
    for (int k = 1; k <= n; ++k) {
        const int last = k == 1 ? 9 : 11 - k;
        const int r = static_cast<int>(std::find(pool.begin() + 1, pool.begin() + last + 1, secret[k - 1]) -
                                       pool.begin());
        script.push_back(r);
        if (k == 1) {
            pool[r] = pool[10];
            pool[10] = secret[0];
        } else {
            std::swap(pool[r], pool[11 - k]);
        }
    }
    return script;
}

// Distinct-digit guesses in ascending order, leaving out `except`.
[[maybe_unused]] std::vector<std::string> DistinctGuesses(int count, const std::string& except) {
    std::vector<std::string> guesses;
    for (int n = 0; n < 10000 && static_cast<int>(guesses.size()) < count; ++n) {
        const std::string g = QString::number(n).rightJustified(4, '0').toStdString();
        std::string sorted = g;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() && g != except)
            guesses.push_back(g);
    }
    return guesses;
}

class GameDriver : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Application->MainForm()) CreateForms();
    }

    void SetUp() override {
        World.Install();
        FormM->ProgramDir = Dir;
        QLocale::setDefault(QLocale::c());
    }

    void TearDown() override {
        for (TForm* form : Application->AllForms()) form->Hide();
        QLocale::setDefault(QLocale::c());
        ResetServices();
    }

    // Chooses the window from the main menu, as the player does.
    TGameWindow* Open(const QString& className) {
        FormM->Show();
        const TVariant& variant = VariantOf(className);
        const QString item =
            QString("Numberswith%1digits%2").arg(variant.Digits).arg(variant.Distinct ? 1 : 2);
        FormM->MainMenu1->FindItem(item)->Click();
        Game = dynamic_cast<TGameWindow*>(Application->FindForm(className));
        return Game;
    }

    void NewGame(const std::string& secret) {
        if (Game->Variant.Distinct)
            World.Random->Script = DistinctScript(secret);
        else
            World.Random->Script = {std::stoll(secret)};
        Click("BitBtn1");
        ASSERT_EQ(Game->Session.Secret(), secret);
    }

    // Types a guess over the field's text and presses Enter.
    void Enter(const std::string& digits) {
        Edit()->SetText(QString(Game->Variant.Digits, ' '));
        QTest::keyClicks(Edit(), QString::fromStdString(digits));
        QTest::keyClick(Edit(), Qt::Key_Return);
    }

    // Enters a guess that wins; `inside` runs while the congratulation window is up.
    void EnterWinning(
        const std::string& digits, std::function<void()> inside = [] {}) {
        CongratulationShown = false;
        QTimer::singleShot(0, [this, inside] {
            TForm* bravo = Application->FindForm("TForm1");
            CongratulationShown = bravo->Visible() && Application->ActiveForm() == bravo;
            inside();
            bravo->Close();
        });
        Enter(digits);
    }

    void Click(const QString& button) {
        QTest::mouseClick(Game->findChild<TBitBtn*>(button), Qt::LeftButton);
    }
    // Clicks a button that shows `modal` modally; `inside` runs while it is up.
    void ClickModal(const QString& button, const QString& modal, std::function<void()> inside) {
        ModalShown = false;
        QTimer::singleShot(0, [this, modal, inside] {
            TForm* window = Application->FindForm(modal);
            ModalShown = window->Visible() && Application->ActiveForm() == window;
            inside();
            window->Close();
        });
        Click(button);
    }

    void Tick(double seconds) {
        World.Clock->Advance(seconds);
        Game->findChild<TTimer*>("Stoperica")->Tick();
    }

    TMaskEdit* Edit() const { return Game->findChild<TMaskEdit*>("MaskEdit1"); }
    TListBox* List() const { return Game->findChild<TListBox*>("ListBox1"); }
    QString Text(const char* label) const { return Game->findChild<QLabel*>(label)->text(); }
    QString Header() const { return Game->findChild<TPanel*>("Panel4")->Caption(); }
    bool Shown(const char* control) const { return Game->findChild<QWidget*>(control)->isVisibleTo(Game); }
    QStringList Played() const { return World.Sound->Played; }
    QString Cue(const QString& name) const { return Dir + name; }

    TFakeWorld World;
    TGameWindow* Game = nullptr;
    bool CongratulationShown = false;
    bool ModalShown = false;
};

} // namespace

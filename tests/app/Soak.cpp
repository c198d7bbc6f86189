// The random-input soak: drives the real program through its windows with
// random but valid player events (keys, clicks on controls, menu choices,
// window closes, tab changes, clock ticks, Clear answered Yes or No, now and
// then the right number typed) from a fixed seed, with the fake clock, sound
// and dialogs. It checks that every win recorded is in its score file and
// that no line is lost or invented, then prints what it did.
//
//   tulva_soak [--seed N] [--events N]     (or TV_SOAK_SEED, TV_SOAK_EVENTS)
//
// The seed and event count are printed first, so that any failure, a crash
// or a sanitizer report included, can be replayed.
#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "GameWindow.h"
#include "ImageControl.h"
#include "ListBox.h"
#include "MaskEdit.h"
#include "Menus.h"
#include "ScoreWindow.h"
#include "StdCtrls.h"
#include "StepRunner.h"
#include "TabSetMemo.h"
#include "Timer.h"
#include "UMein.h"
#include "startup.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <map>
#include <random>
#include <set>

namespace {

class TSoak {
public:
    TSoak(uint64_t seed, long events) : Seed(seed), Events(events), Rng(seed) {}

    // Runs the events; returns the number of failures found.
    int Run();

private:
    int Pick(int n) { return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(Rng)); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(Rng) < p; }

    void InstallServices();
    void Next();
    void OneEvent();
    void WindDown();
    void RandomKey();
    void ClickControl(TForm& form);
    void ChooseMenuItem();
    void Tick();
    void TypeTheNumber(TGameWindow& game);
    void CheckRecordedWin();
    void CheckFile(const QString& fileName);
    void Fail(const QString& what);

    static QStringList FileLines(const QString& fileName);
    static QString FileOf(const TForm* form);

    const uint64_t Seed;
    const long Events;
    std::mt19937_64 Rng;
    TFakeWorld World;
    QEventLoop* Loop = nullptr;

    long Done = 0;
    int Failures = 0;
    int Wins = 0, ClearYes = 0, ClearNo = 0;
    std::set<QString> Visited;
    // What each score file must hold, as a multiset of lines.
    std::map<QString, std::multiset<QString>> Expected;
    TGameWindow* PendingWin = nullptr; // won, congratulation up or result being recorded
    std::map<QString, int> Errors;
};

QStringList TSoak::FileLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

QString TSoak::FileOf(const TForm* form) {
    auto* score = dynamic_cast<const TScoreWindow*>(form);
    return score ? QString(score->Variant.FileName) : QString();
}

void TSoak::Fail(const QString& what) {
    ++Failures;
    std::fprintf(stderr, "soak FAILED (seed %llu, event %ld): %s\n", static_cast<unsigned long long>(Seed),
                 Done, qPrintable(what));
}

void TSoak::InstallServices() {
    World.Install();
    World.Random->Fallback = TSeededRandom(Seed);
    TServices& s = Services();
    s.Confirm = [this](const QString&) {
        const TModalResult answers[] = {TModalResult::Yes, TModalResult::No, TModalResult::Cancel};
        const TModalResult answer = answers[Pick(3)];
        // The question comes from the score window that is up (shown modally, so only one).
        QString file;
        for (TForm* form : Application->AllForms())
            if (form->Visible() && !FileOf(form).isEmpty()) file = FileOf(form);
        if (answer == TModalResult::Yes) {
            ++ClearYes;
            if (!file.isEmpty()) Expected[file].clear(); // Clear empties the file right after
        } else {
            ++ClearNo;
        }
        return answer;
    };
    s.ChooseFont = [this](QFont& font, QColor&) {
        if (!Chance(0.5)) return false;
        font.setPixelSize(8 + Pick(20));
        return true;
    };
    s.ShowError = [this](const QString& message) { ++Errors[message]; };
}

int TSoak::Run() {
    std::printf("soak: seed %llu, %ld events\n", static_cast<unsigned long long>(Seed), Events);
    std::fflush(stdout);
    QTemporaryDir scratch; // the score files are written to the current directory
    QDir::setCurrent(scratch.path());
    InstallServices();
    CreateForms();
    FormM->ProgramDir = QStringLiteral(TV_PROGRAM_DIR "/");
    auto* bravo = Application->FindForm("TForm1");
    bravo->OnShow = [this, previous = bravo->OnShow] {
        if (previous) previous();
        PendingWin = dynamic_cast<TGameWindow*>(Application->ActiveForm());
        if (!PendingWin) Fail("congratulation shown over no game window");
    };

    QElapsedTimer clock;
    clock.start();
    FormM->Show();
    QEventLoop loop;
    Loop = &loop;
    QTimer::singleShot(0, [this] { Next(); });
    loop.exec();
    Loop = nullptr;
    const double seconds = clock.elapsed() / 1000.0;

    CheckRecordedWin();
    for (const TScoreVariant& variant : ScoreVariants) CheckFile(variant.FileName);
    for (TForm* form : Application->AllForms())
        if (form->Visible()) Fail(form->objectName() + " still shown after the main window's Close");

    QStringList missing;
    for (TForm* form : Application->AllForms())
        if (!Visited.count(form->objectName())) missing << form->objectName();
    std::printf("soak: %ld events in %.1f s, %zu of %zu windows visited%s, %d wins recorded, "
                "Clear answered Yes %d and No/Cancel %d times\n",
                Done, seconds, Visited.size(), Application->AllForms().size(),
                missing.isEmpty() ? "" : qPrintable(" (not " + missing.join(", ") + ")"), Wins, ClearYes,
                ClearNo);
    for (const auto& [message, count] : Errors)
        std::printf("soak: error box %dx: %s\n", count, qPrintable(message));
    std::printf(Failures ? "soak: %d FAILURES (seed %llu)\n" : "soak: passed%.0d (seed %llu)\n", Failures,
                static_cast<unsigned long long>(Seed));
    Application->DestroyForms();
    return Failures;
}

void TSoak::Next() {
    // Each event schedules the next before it acts: an event that opens a
    // modal window is followed by the next one inside that window's loop.
    CheckRecordedWin();
    if (Failures > 0 && Done < Events) Done = Events; // stop early, but close down properly
    if (TForm* active = Application->ActiveForm()) Visited.insert(active->objectName());
    if (Done >= Events) {
        WindDown();
        return;
    }
    ++Done;
    QTimer::singleShot(0, [this] { Next(); });
    OneEvent();
}

void TSoak::WindDown() {
    // Close what is open, modal windows first, then press the main window's
    // Close, which ends the program's loops.
    if (QApplication::activePopupWidget()) {
        QTimer::singleShot(0, [this] { Next(); });
        TStepRunner::Key(Qt::Key_Escape);
        return;
    }
    TForm* active = Application->ActiveForm();
    for (TForm* form : Application->AllForms())
        if (form != FormM && form->Visible() && (!active || active == FormM || form == active)) {
            QTimer::singleShot(0, [this] { Next(); });
            form->close();
            return;
        }
    if (!FormM->Visible()) FormM->Show();
    QTest::mouseClick(FormM->OKButton, Qt::LeftButton);
    if (FormM->Visible()) Fail("the main window's Close did not end the program");
    Loop->quit();
}

void TSoak::OneEvent() {
    if (QApplication::activePopupWidget()) { // an open menu takes the keys only
        const Qt::Key keys[] = {Qt::Key_Down,  Qt::Key_Up,     Qt::Key_Left,
                                Qt::Key_Right, Qt::Key_Return, Qt::Key_Escape};
        TStepRunner::Key(keys[Pick(6)]);
        return;
    }
    TForm* active = Application->ActiveForm();
    if (!active) {
        Fail("no window of the program is active");
        FormM->Show();
        return;
    }
    auto* game = dynamic_cast<TGameWindow*>(active);
    const int roll = Pick(100);
    if (roll < 45)
        RandomKey();
    else if (roll < 75)
        ClickControl(*active);
    else if (roll < 82 && active == FormM)
        ChooseMenuItem();
    else if (roll < 84 && active != FormM)
        active->close(); // the title-bar button
    else if (roll < 95)
        Tick();
    else if (game && game->MaskEdit1->isEnabled())
        TypeTheNumber(*game);
    else
        RandomKey();
}

void TSoak::RandomKey() {
    const int roll = Pick(100);
    if (roll < 60) {
        TStepRunner::Key(Qt::Key_0 + Pick(10));
    } else if (roll < 72) {
        if (TStepRunner::KeyTarget() != FormM->OKButton)
            TStepRunner::Key(Chance(0.2) ? Qt::Key_Enter : Qt::Key_Return); // Close ends the run
    } else if (roll < 76) {
        TStepRunner::Key(Qt::Key_Escape);
    } else if (roll < 80) {
        TStepRunner::Key(Qt::Key_Backspace);
    } else if (roll < 85) {
        TStepRunner::Key(Qt::Key_Tab, Chance(0.3) ? Qt::ShiftModifier : Qt::NoModifier);
    } else if (roll < 88) {
        if (TStepRunner::KeyTarget() != FormM->OKButton)
            TStepRunner::Key(Qt::Key_Space); // Close ends the run
    } else if (roll < 92) {
        const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                                Qt::Key_Down, Qt::Key_Home,  Qt::Key_End};
        TStepRunner::Key(keys[Pick(6)]);
    } else if (roll < 97) {
        TStepRunner::Type(QString(QChar('a' + Pick(26))));
    } else if (roll < 99) {
        TStepRunner::Key(Qt::Key_F10);
    } else if (Application->ActiveForm() != FormM) {
        TStepRunner::Key(Qt::Key_F4, Qt::AltModifier); // closes the window
    }
}

void TSoak::ClickControl(TForm& form) {
    std::vector<QWidget*> controls;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w == FormM->OKButton) continue; // Close ends the run
        auto* picture = dynamic_cast<TImage*>(w);
        if (dynamic_cast<TBitBtn*>(w) || (picture && picture->OnClick) || dynamic_cast<TListBox*>(w) ||
            dynamic_cast<TTabSet*>(w) || dynamic_cast<QLineEdit*>(w))
            controls.push_back(w);
    }
    if (controls.empty()) return;
    QWidget* target = controls[Pick(static_cast<int>(controls.size()))];
    if (auto* tabs = dynamic_cast<TTabSet*>(target); tabs && tabs->count() > 0) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Pick(tabs->count())).center());
    } else if (auto* list = dynamic_cast<TListBox*>(target)) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(1 + Pick(std::max(1, list->viewport()->width() - 2)),
                                 1 + Pick(std::max(1, list->viewport()->height() - 2))));
    } else {
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
}

void TSoak::ChooseMenuItem() {
    const QList<TMenuItem*> items = FormM->MainMenu1->findChildren<TMenuItem*>();
    if (items.isEmpty()) return;
    items[Pick(static_cast<int>(items.size()))]->trigger();
}

void TSoak::Tick() {
    World.Clock->Advance(0.05 + Pick(300) / 100.0);
    for (TForm* form : Application->AllForms())
        if (auto* game = dynamic_cast<TGameWindow*>(form);
            game && game->Visible() && game->Stoperica->Enabled())
            game->Stoperica->Tick();
}

void TSoak::TypeTheNumber(TGameWindow& game) {
    // The player's lucky guess: the number itself, typed over the field.
    const std::string secret = game.Session.Secret();
    if (secret.empty()) return;
    TStepRunner::Key(Qt::Key_A, Qt::ControlModifier);
    TStepRunner::Type(QString::fromStdString(secret));
    TStepRunner::Key(Qt::Key_Return);
}

void TSoak::CheckRecordedWin() {
    if (!PendingWin || Application->FindForm("TForm1")->Visible()) return;
    TGameWindow* game = PendingWin;
    PendingWin = nullptr;
    ++Wins;
    const QString file = game->Links.Scores.Variant.FileName;
    std::multiset<QString>& expected = Expected[file];
    std::multiset<QString> added;
    for (const QString& line : FileLines(file)) added.insert(line);
    for (const QString& line : expected) {
        auto it = added.find(line);
        if (it == added.end()) {
            Fail(QString("%1 lost the line \"%2\" when %3 recorded a win")
                     .arg(file, line, game->objectName()));
            continue;
        }
        added.erase(it);
    }
    if (added.size() != 1) {
        Fail(QString("%1 gained %2 lines for one win of %3")
                 .arg(file)
                 .arg(added.size())
                 .arg(game->objectName()));
        return;
    }
    if (!added.begin()->endsWith(FormM->PlayerName))
        Fail(
            QString("%1: the new line \"%2\" does not end with the player's name").arg(file, *added.begin()));
    expected.insert(*added.begin());
}

void TSoak::CheckFile(const QString& fileName) {
    const QStringList lines = FileLines(fileName);
    const std::multiset<QString> found(lines.begin(), lines.end());
    if (found != Expected[fileName])
        Fail(QString("%1 holds %2 lines, %3 expected")
                 .arg(fileName)
                 .arg(found.size())
                 .arg(Expected[fileName].size()));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    uint64_t seed =
        qEnvironmentVariableIsSet("TV_SOAK_SEED") ? qEnvironmentVariable("TV_SOAK_SEED").toULongLong() : 1;
    long events =
        qEnvironmentVariableIsSet("TV_SOAK_EVENTS") ? qEnvironmentVariable("TV_SOAK_EVENTS").toLong() : 3000;
    CLI::App cli("Drives the program through its windows with random player events.");
    cli.add_option("--seed", seed, "seed of the event sequence");
    cli.add_option("--events", events, "number of events")->check(CLI::PositiveNumber);
    CLI11_PARSE(cli, argc, argv);
    TApplication app(argc, argv);
    return TSoak(seed, events).Run() == 0 ? 0 : 1;
}

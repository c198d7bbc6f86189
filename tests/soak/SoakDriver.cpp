#include "SoakDriver.h"

#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "GameWindow.h"
#include "ImageControl.h"
#include "MaskEdit.h"
#include "Menus.h"
#include "ScoreVariant.h"
#include "StdCtrls.h"
#include "TabSetMemo.h"
#include "Timer.h"
#include "UMein.h"

#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QTest>
#include <QTimer>

#include <random>

namespace {

class TSoak {
public:
    TSoak(uint64_t seed, long events) : Random(seed), Left(events) {}

    TSoakResult Run(const QString& programDir) {
        World.Install();
        World.Random->Fallback = TSeededRandom(Random());
        Services().Confirm = [this](const QString&) { return Answer(); };
        FormM->ProgramDir = programDir;
        QApplication::setQuitOnLastWindowClosed(false);
        for (TForm* form : Application->AllForms()) form->Hide();
        FormM->Show();
        Bravo = Application->FindForm("TForm1");
        QTimer::singleShot(0, [this] { Step(); });
        Loop.exec();
        CheckScoreFiles();
        for (const QString& error : World.Errors) Result.Problems << "error shown: " + error;
        for (TForm* form : Application->AllForms()) form->Hide();
        ResetServices();
        return Result;
    }

private:
    int Pick(int n) { return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(Random)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    // The next step is queued before this one runs, so that it also runs
    // inside the loop of a modal window this step opens.
    void Step() {
        if (Left <= 0) {
            Finish();
            return;
        }
        --Left;
        ++Result.Events;
        QTimer::singleShot(0, [this] { Step(); });
        TForm* window = Facing();
        Result.WindowsVisited.insert(window->objectName());
        OneEvent(*window);
    }

    // Ends every modal window, innermost first, then the run.
    void Finish() {
        if (auto* modal = dynamic_cast<TForm*>(QApplication::activeModalWidget())) {
            modal->Close();
            QTimer::singleShot(0, [this] { Finish(); });
            return;
        }
        Loop.quit();
    }

    TForm* Facing() {
        if (auto* modal = dynamic_cast<TForm*>(QApplication::activeModalWidget())) return modal;
        std::vector<TForm*> shown;
        for (TForm* form : Application->AllForms())
            if (form->Visible()) shown.push_back(form);
        if (shown.empty()) {
            FormM->Show();
            return FormM;
        }
        return shown[Pick(static_cast<int>(shown.size()))];
    }

    void OneEvent(TForm& window) {
        auto* game = dynamic_cast<TGameWindow*>(&window);
        switch (Pick(game ? 8 : 6)) {
        case 0:
            // Closing the main window ends the program: the run ends with its last event.
            if (&window != FormM && Chance(20)) window.Close();
            return;
        case 1: {
            auto* tabs = window.findChild<TTabSet*>();
            if (tabs && tabs->isVisibleTo(&window) && tabs->count() > 0)
                tabs->SetTabIndex(Pick(tabs->count()));
            return;
        }
        case 2:
            if (&window == FormM) return ChooseFromMenu();
            return ClickPicture(window);
        case 3:
            if (&window == FormM) {
                QTest::keyClicks(FormM->Edit2, Chance(50) ? QString("Ana") : QString());
                if (Chance(30)) FormM->Edit2->clear();
                return;
            }
            [[fallthrough]];
        case 4:
        case 5:
            return ClickButton(window);
        default:
            return Guess(*game);
        }
    }

    void ClickButton(TForm& window) {
        std::vector<TBitBtn*> buttons;
        for (QWidget* widget : window.findChildren<QWidget*>())
            if (auto* button = dynamic_cast<TBitBtn*>(widget);
                button && button->isVisibleTo(&window) && button->isEnabled() && button != FormM->OKButton)
                buttons.push_back(button);
        if (buttons.empty()) return;
        buttons[Pick(static_cast<int>(buttons.size()))]->Click();
    }

    void ClickPicture(TForm& window) {
        std::vector<TImage*> pictures;
        for (QWidget* widget : window.findChildren<QWidget*>())
            if (auto* image = dynamic_cast<TImage*>(widget);
                image && image->OnClick && image->isVisibleTo(&window))
                pictures.push_back(image);
        if (pictures.empty()) return ClickButton(window);
        QTest::mouseClick(pictures[Pick(static_cast<int>(pictures.size()))], Qt::LeftButton);
    }

    void ChooseFromMenu() {
        std::vector<TMenuItem*> items;
        // Menu items have no meta-object of their own: told apart from the
        // menus' own actions by their class.
        for (QAction* action : FormM->MainMenu1->findChildren<QAction*>())
            if (auto* item = dynamic_cast<TMenuItem*>(action); item && item->isEnabled())
                items.push_back(item);
        if (!items.empty()) items[Pick(static_cast<int>(items.size()))]->Click();
    }

    void Guess(TGameWindow& game) {
        auto* edit = game.findChild<TMaskEdit*>("MaskEdit1");
        if (!edit || !edit->isEnabled()) return ClickButton(game);
        if (Chance(10)) game.Stoperica->Tick();
        World.Clock->Advance(Pick(30) / 10.0);
        const int digits = game.Variant.Digits;
        QString typed;
        const bool secret = Chance(8) && !game.Secret.empty();
        if (secret)
            typed = QString::fromStdString(game.Secret);
        else
            for (int i = Pick(digits + 2); i > 0; --i) typed += QChar('0' + Pick(10));
        edit->SetText(QString(digits, ' '));
        QTest::keyClicks(edit, typed);
        const int bravoShownBefore = BravoShown;
        WatchBravo();
        QTest::keyClick(edit, Chance(5) ? Qt::Key_Backspace : Qt::Key_Return);
        if (BravoShown > bravoShownBefore) {
            ++Result.Wins;
            ++Expected[ScoreFileOf(game)];
        }
    }

    // Counts the showings of the congratulation window: each is a win.
    void WatchBravo() {
        if (Watching) return;
        Watching = true;
        Bravo->installEventFilter(&Filter);
        Filter.OnShow = [this] { ++BravoShown; };
    }

    TModalResult Answer() {
        const TModalResult answers[] = {TModalResult::Yes, TModalResult::No, TModalResult::Cancel};
        const TModalResult answer = answers[Pick(3)];
        // The Clear question comes from a score window: Yes empties its table.
        if (answer == TModalResult::Yes)
            if (auto* window = dynamic_cast<TForm*>(QApplication::activeModalWidget()))
                if (const TScoreVariant* score = FindScoreVariant(window->objectName()))
                    Expected[QString(score->FileName)] = 0;
        return answer;
    }

    static QString ScoreFileOf(const TGameWindow& game) {
        for (const char* name :
             {"TFScore4", "TFScore5", "TFScore6", "TFScore7", "TFScore8", "TFScore9", "TFScore44",
              "TFScore55", "TFScore66", "TFScore77", "TFScore88", "TFScore99"}) {
            const TScoreVariant* score = FindScoreVariant(name);
            if (score && QString(name).mid(7) == game.objectName().mid(5)) return score->FileName;
        }
        return {};
    }

    // Every win recorded since the table was last cleared is in its file.
    void CheckScoreFiles() {
        for (auto it = Expected.begin(); it != Expected.end(); ++it) {
            QFile file(it.key());
            int lines = 0;
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray& line : file.readAll().split('\n'))
                    if (!line.trimmed().isEmpty()) ++lines;
            if (lines != it.value())
                Result.Problems << QString("%1 holds %2 lines, %3 wins were recorded")
                                       .arg(it.key())
                                       .arg(lines)
                                       .arg(it.value());
        }
    }

    struct TShowFilter : QObject {
        std::function<void()> OnShow;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && OnShow) OnShow();
            return QObject::eventFilter(watched, event);
        }
    };

    std::mt19937_64 Random;
    long Left;
    TFakeWorld World;
    QEventLoop Loop;
    TSoakResult Result;
    QMap<QString, int> Expected;
    TForm* Bravo = nullptr;
    TShowFilter Filter;
    bool Watching = false;
    int BravoShown = 0;
};

} // namespace

TSoakResult RunSoak(uint64_t seed, long events, const QString& programDir) {
    TSoak soak(seed, events);
    return soak.Run(programDir);
}

// The four-digit game windows played through their real controls: key
// clicks into MaskEdit1, button clicks, label texts read by object name,
// with an injected number, clock and sound sink.
#include "GameDriver.h"

namespace {

using GameWindowTest = GameDriver;

QString Spaces(int n) {
    return QString(n, ' ');
}

} // namespace

TEST_F(GameWindowTest, TForm4OpensIdleFromTheMenu) {
    Open("TForm4");
    EXPECT_TRUE(Game->Visible());
    EXPECT_FALSE(FormM->Visible());
    EXPECT_EQ(Game->windowTitle(), "   Tulva And Vesk       Numbers with 4 digits that are not repeating");
    EXPECT_EQ(Game->ClientWidth(), 792);
    EXPECT_EQ(Game->ClientHeight(), 553);
    EXPECT_EQ(Text("Label8"), "Avaliable digits are: 0123456789");
    EXPECT_EQ(Text("Label9"), "Every digit can use JUST ONCE");
    EXPECT_EQ(Text("Label10"), "Press 4-DIGIT.NUMBER => ");
    EXPECT_EQ(Text("Label11"), "And press enter");
    EXPECT_EQ(Text("Label2"), "Warnings : ");
    EXPECT_EQ(Text("Label3"), "Press New Game");
    EXPECT_EQ(Text("Label6"), "Time :");
    EXPECT_EQ(Header(), "         ATTEMPT    NUMBER   TULVA  VESK              ");
    EXPECT_EQ(List()->Count(), 73);
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_EQ(Edit()->EditMask(), "0000;1;_");
    EXPECT_TRUE(Shown("Image3"));
    EXPECT_FALSE(Shown("Image2"));
    EXPECT_TRUE(Shown("Panel6"));
    EXPECT_EQ(Game->findChild<QWidget*>("Image4")->toolTip(), "Close");
    EXPECT_TRUE(Shown("BitBtn7"));
    EXPECT_FALSE(Shown("BitBtn8"));
    EXPECT_EQ(Game->findChild<TTimer*>("Stoperica")->Interval(), 100);
    for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn4", "BitBtn5", "BitBtn6", "Panel1", "Panel2",
                             "Panel3", "Panel5", "Image1", "Label1", "Label5"})
        EXPECT_NE(Game->findChild<QObject*>(name), nullptr) << name;
}

TEST_F(GameWindowTest, TForm4WonGame) {
    Open("TForm4");
    NewGame("1234");
    EXPECT_EQ(Played(), QStringList({Cue("Musica Open.wav")}));
    EXPECT_TRUE(Edit()->isEnabled());
    EXPECT_FALSE(Shown("Image3"));
    EXPECT_EQ(Text("Label3"), "");

    Enter("5678");
    EXPECT_FALSE(Shown("Panel6")); // the first Enter with something typed hides the animation
    Enter("1243");
    EXPECT_EQ(List()->Item(1),
              Spaces(4) + "  1 )" + Spaces(11) + "5678" + Spaces(10) + "0" + Spaces(8) + "0");
    EXPECT_EQ(List()->Item(2),
              Spaces(4) + "  2 )" + Spaces(11) + "1243" + Spaces(10) + "2" + Spaces(8) + "2");
    EXPECT_EQ(List()->ItemIndex(), 2);
    EXPECT_EQ(Edit()->Text(), "1243"); // the guess stays in the field

    Tick(2.34);
    EXPECT_EQ(Text("Label6"), "Time : 0:2");
    EnterWinning("1234");
    EXPECT_TRUE(CongratulationShown);
    EXPECT_EQ(Text("Label6"), "Time : 0:2.3");
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_FALSE(Game->findChild<TTimer*>("Stoperica")->Enabled());
    EXPECT_EQ(Game->Session.State(), TGameState::Won);
    EXPECT_EQ(List()->Item(3),
              Spaces(4) + "  3 )" + Spaces(11) + "1234" + Spaces(10) + "4" + Spaces(8) + "0");
    EXPECT_EQ(Played(), QStringList({Cue("Musica Open.wav"), Cue("Explode.WAV")}));
    EXPECT_EQ(Application->ActiveForm(), Game); // back without a new activation
    EXPECT_EQ(Text("Label2"), "Warnings : ");

    // Won: Show Number does nothing; New Game starts afresh with an emptied list.
    Click("BitBtn4");
    EXPECT_EQ(Played().size(), 2);
    EXPECT_EQ(Text("Label2"), "Warnings : ");
    NewGame("5678");
    EXPECT_EQ(List()->Item(1), "");
    EXPECT_EQ(List()->Item(3), "");
    EXPECT_EQ(List()->ItemIndex(), 0);
    EXPECT_EQ(Game->Session.Attempts(), 0);
    EXPECT_TRUE(Edit()->isEnabled());
}

TEST_F(GameWindowTest, TForm4RefusalsShowTheirMessageWithTheErrorMarker) {
    Open("TForm4");
    NewGame("1234");
    World.Sound->Played.clear();

    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "You must enter number");
    EXPECT_TRUE(Shown("Image2"));
    EXPECT_FALSE(Shown("Image3"));
    QTest::keyClicks(Edit(), "1"); // any key clears the message line
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_FALSE(Shown("Image2"));

    QTest::keyClicks(Edit(), "23");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "Wrong Number");
    EXPECT_TRUE(Shown("Image2"));

    Enter("1123");
    EXPECT_EQ(Text("Label3"), "Wrong Number");

    Enter("5678");
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_FALSE(Shown("Image2"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "That number is already entered");
    EXPECT_TRUE(Shown("Image2"));
    EXPECT_EQ(Game->Session.Attempts(), 1);
    EXPECT_EQ(List()->Item(2), "");
    EXPECT_EQ(Played(), QStringList(4, Cue("DING.WAV")));
    EXPECT_TRUE(Edit()->isEnabled()); // the game goes on
}

TEST_F(GameWindowTest, TForm44RefusalsAndRepeatedDigits) {
    Open("TForm44");
    NewGame("1123");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "You must enter Number");
    QTest::keyClicks(Edit(), "12");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "Wrong Number");
    Enter("1111"); // equal digits are a guess here
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_EQ(List()->Item(1),
              Spaces(4) + "  1 )" + Spaces(13) + "1111" + Spaces(10) + "2" + Spaces(8) + "0");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "That number is already entered");
    EXPECT_EQ(Game->Session.Attempts(), 1);
}

TEST_F(GameWindowTest, TForm44IndicatorAndTexts) {
    Open("TForm44");
    EXPECT_EQ(Game->windowTitle(), "   Tulva And Vesk       Numbers with 4 digits that are repeating");
    EXPECT_EQ(Text("Label8"), "Avaliable digit are: 0123456789");
    EXPECT_EQ(Text("Label9"), "Every digit can use MORE TIMES");
    EXPECT_EQ(Header(), "            ATTEMPT    NUMBER   TULVA  VESK              ");
    EXPECT_EQ(Text("Label1"), "Double : Yes(No)");
    EXPECT_EQ(Game->findChild<QLabel*>("Label1")->parent()->objectName(), "Panel6");
    for (const char* name : {"BitBtn6", "BitBtn7", "BitBtn8", "BitBtn9"})
        EXPECT_NE(Game->findChild<TBitBtn*>(name), nullptr) << name;
    EXPECT_EQ(Game->findChild<TBitBtn*>("BitBtn5"), nullptr);

    NewGame("1123");
    Enter("5678");
    EXPECT_EQ(Text("Label1"), "Double : YES");
    NewGame("1234");
    EXPECT_EQ(Text("Label1"), "Double : Yes(No)");
    Enter("5678");
    EXPECT_EQ(Text("Label1"), "Double : NO");
}

TEST_F(GameWindowTest, TForm44WinStopsTheClockAndPlaysItsCue) {
    Open("TForm44");
    NewGame("9998");
    Tick(65.34);
    EXPECT_EQ(Text("Label6"), "Time : 1:5");
    EnterWinning("9998");
    EXPECT_TRUE(CongratulationShown);
    EXPECT_EQ(Text("Label6"), "Time : 1:5.3");
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_EQ(Played().last(), Cue("EXPLODE.WAV"));
}

// The counting of the last attempts is the session's (GameSessionTest); here
// the window shows the warning at 70 guesses and the loss. The first 70
// guesses go straight into the session.
class LastAttempts : public GameWindowTest {
protected:
    void PlaySeventy() {
        Open("TForm4");
        NewGame("1234");
        Guesses = DistinctGuesses(72, "1234");
        for (int i = 0; i < 70; ++i) Game->Session.Enter(Guesses[i]);
        ASSERT_EQ(Game->Session.Attempts(), 70);
        World.Sound->Played.clear();
    }
    std::vector<std::string> Guesses;
};

TEST_F(LastAttempts, RepeatedGuessAtSeventyShowsTheLastAttemptWarning) {
    PlaySeventy();
    Enter(Guesses[5]);
    EXPECT_EQ(Text("Label3"), "Your last attempt"); // replaces the refusal
    EXPECT_FALSE(Shown("Image2"));
    EXPECT_TRUE(Shown("Image3"));
    EXPECT_EQ(Played(), QStringList(2, Cue("DING.WAV"))); // the refusal, then the warning
}

TEST_F(LastAttempts, SeventyFirstAndSeventySecondGuessAsShown) {
    PlaySeventy();
    Tick(10);
    const QString frozen = Text("Label6");
    Enter(Guesses[70]);
    EXPECT_EQ(Text("Label3"), "Your last attempt");
    EXPECT_TRUE(List()->Item(71).startsWith(QString(4, ' ') + "71 )"));
    Tick(10);
    EXPECT_EQ(Text("Label6"), frozen);
    Click("BitBtn4");
    EXPECT_EQ(Text("Label2"), "Warnings : ");

    Enter(Guesses[0]);
    EXPECT_EQ(Text("Label2"), "I`m Sory! You didn`t succeed to guess");
    EXPECT_EQ(Text("Label3"), "the determination number: 1234");
    EXPECT_FALSE(Shown("Image2"));
    EXPECT_TRUE(Shown("Image3"));
    Enter(Guesses[71]);
    EXPECT_EQ(Text("Label3"), "the determination number: 1234");
    EXPECT_TRUE(List()->Item(72).startsWith(QString(4, ' ') + "72 )"));
    World.Sound->Played.clear();

    // Every further Enter does nothing.
    Enter("1234");
    EXPECT_TRUE(Played().isEmpty());
    EXPECT_EQ(Text("Label2"), "I`m Sory! You didn`t succeed to guess");
}

TEST_F(LastAttempts, CorrectSeventySecondGuessWinsWithoutTheLoss) {
    PlaySeventy();
    Enter(Guesses[70]);
    EnterWinning("1234");
    EXPECT_TRUE(CongratulationShown);
    EXPECT_EQ(Text("Label2"), "Warnings : ");
    EXPECT_EQ(Played().last(), Cue("Explode.WAV"));
}

TEST_F(GameWindowTest, TForm4ShowNumberEndsTheGame) {
    Open("TForm4");
    Click("BitBtn4"); // nothing drawn yet
    EXPECT_EQ(Text("Label3"), "Press New Game");
    EXPECT_TRUE(Played().isEmpty());

    NewGame("1234");
    Enter("5678");
    World.Sound->Played.clear();
    Click("BitBtn4");
    EXPECT_EQ(Text("Label2"), "The game is interrupted by the user.");
    EXPECT_EQ(Text("Label3"), "Deternination number was: 1234");
    EXPECT_EQ(Played(), QStringList({Cue("DING.WAV")}));
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_TRUE(Shown("Image3"));
    EXPECT_FALSE(Game->findChild<TTimer*>("Stoperica")->Enabled());
    Click("BitBtn4");
    EXPECT_EQ(Played().size(), 1); // over: a second press does nothing
}

TEST_F(GameWindowTest, TForm44ShowNumberRepeatsAndSurvivesReopening) {
    Open("TForm44");
    NewGame("1123");
    Click("BitBtn4");
    EXPECT_EQ(Text("Label3"), "Deternination number was: 1123");
    EXPECT_FALSE(Edit()->isEnabled());
    Click("BitBtn4");
    EXPECT_EQ(Played(), QStringList({Cue("Musica Open.wav"), Cue("DING.WAV"), Cue("DING.WAV")}));
    // Activation keeps the number here, so it can still be revealed.
    Click("BitBtn2");
    Open("TForm44");
    EXPECT_EQ(Text("Label3"), "Press New Game");
    Click("BitBtn4");
    EXPECT_EQ(Text("Label3"), "Deternination number was: 1123");
}

TEST_F(GameWindowTest, ScoreAfterShowNumberClearsTheNumberLine) {
    Open("TForm4");
    NewGame("1234");
    Click("BitBtn4");
    ClickModal("BitBtn6", "TFScore4", [] {});
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_FALSE(Shown("Image3"));
}

TEST_F(GameWindowTest, TForm4EscStartsANewGameUnlessDigitsWereTyped) {
    Open("TForm4");
    NewGame("1234");
    Enter("5678");
    World.Random->Script = DistinctScript("9876");
    QTest::keyClick(Edit(), Qt::Key_Escape);
    EXPECT_EQ(Game->Session.Secret(), "9876");
    EXPECT_EQ(List()->Item(1), "");
    EXPECT_EQ(Played().last(), Cue("Musica Open.wav"));

    QTest::keyClicks(Edit(), "12");
    const int cues = Played().size();
    QTest::keyClick(Edit(), Qt::Key_Escape);
    EXPECT_EQ(Edit()->Text(), "    ");
    EXPECT_EQ(Game->Session.Secret(), "9876");
    EXPECT_EQ(Played().size(), cues);
}

TEST_F(GameWindowTest, RefusedEnterKeepsTheTypedDigitsAndEscOnlyEmptiesTheField) {
    Open("TForm4");
    NewGame("1234");
    QTest::keyClicks(Edit(), "567");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "Wrong Number");
    EXPECT_EQ(Edit()->Text(), "567 ");
    EXPECT_FALSE(Edit()->hasSelectedText());
    QTest::keyClicks(Edit(), "8"); // typing goes on after the digits
    EXPECT_EQ(Edit()->Text(), "5678");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_TRUE(List()->Item(1).contains("5678"));
    EXPECT_EQ(Edit()->selectedText(), "5678"); // a counted guess stays selected

    QTest::keyClicks(Edit(), "91");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "Wrong Number");
    const int cues = Played().size();
    QTest::keyClick(Edit(), Qt::Key_Escape); // a stray Esc does not throw the game away
    EXPECT_EQ(Edit()->Text(), "    ");
    EXPECT_EQ(Game->Session.Secret(), "1234");
    EXPECT_EQ(Game->Session.Attempts(), 1);
    EXPECT_EQ(Played().size(), cues);
}

TEST_F(GameWindowTest, TForm44EscAlwaysEmptiesTheField) {
    Open("TForm44");
    NewGame("1123");
    Enter("5678");
    QTest::keyClick(Edit(), Qt::Key_Escape);
    EXPECT_EQ(Edit()->Text(), "    ");
    EXPECT_EQ(Game->Session.Secret(), "1123");
    EXPECT_EQ(Game->Session.Attempts(), 1);
    EXPECT_EQ(Played().size(), 1);
}

TEST_F(GameWindowTest, HelpPausesTheClock) {
    Open("TForm4");
    NewGame("1234");
    Tick(4.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:4");
    ClickModal("BitBtn5", "TFormH", [this] { World.Clock->Advance(30.0); });
    EXPECT_TRUE(ModalShown);
    EXPECT_EQ(Game->focusWidget(), Edit());
    Tick(6.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:10");
    EXPECT_EQ(Application->ActiveForm(), Game);
    EXPECT_EQ(Text("Label3"), "");

    Open("TForm44");
    NewGame("1123");
    ClickModal("BitBtn6", "TFormHH", [this] { World.Clock->Advance(30.0); });
    EXPECT_TRUE(ModalShown);
    Tick(2.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:2");
}

TEST_F(GameWindowTest, ScorePausesTheClockAndSaysSo) {
    Open("TForm4");
    NewGame("1234");
    Tick(3.0);
    QString during;
    bool markerDuring = false;
    ClickModal("BitBtn6", "TFScore4", [&] {
        during = Text("Label3");
        markerDuring = Shown("Image3");
        World.Clock->Advance(40.0);
    });
    EXPECT_TRUE(ModalShown);
    EXPECT_EQ(during, "Time Stopped !");
    EXPECT_TRUE(markerDuring);
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_FALSE(Shown("Image3"));
    Tick(2.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:5");
}

TEST_F(GameWindowTest, ElapsedTimeIgnoresAChangeOfTheSystemClock) {
    Open("TForm4");
    NewGame("1234");
    World.Clock->Start = World.Clock->Start.addSecs(-3600);
    Tick(7.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:7");
}

TEST_F(GameWindowTest, CommaLocaleInTheFinalTime) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Open("TForm4");
    NewGame("1234");
    Tick(65.3);
    EnterWinning("1234");
    EXPECT_EQ(Text("Label6"), "Time : 1:5,3");
}

TEST_F(GameWindowTest, SoundOffAndOn) {
    Open("TForm4");
    Click("BitBtn7");
    EXPECT_FALSE(Shown("BitBtn7"));
    EXPECT_TRUE(Shown("BitBtn8"));
    NewGame("1234");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EnterWinning("1234");
    EXPECT_TRUE(CongratulationShown);
    EXPECT_TRUE(Played().isEmpty());

    Click("BitBtn8");
    EXPECT_TRUE(Shown("BitBtn7"));
    EXPECT_FALSE(Shown("BitBtn8"));
    NewGame("1234");
    QTest::keyClick(Edit(), Qt::Key_Return); // cuts the opening cue off
    EnterWinning("1234");
    EXPECT_EQ(Played(), QStringList({Cue("Musica Open.wav"), Cue("DING.WAV"), Cue("Explode.WAV")}));

    // Off again, then reopened from the menu: sound is on.
    Click("BitBtn7");
    Click("BitBtn2");
    Open("TForm4");
    EXPECT_TRUE(Shown("BitBtn7"));
    EXPECT_FALSE(Shown("BitBtn8"));
    EXPECT_EQ(Game->SoundOn, 1);
}

TEST_F(GameWindowTest, CueNamesResolveBesideTheProgramWithoutRegardToCase) {
    FormM->ProgramDir = TV_PROGRAM_DIR "/";
    Open("TForm4");
    NewGame("1234");
    EnterWinning("1234");
    ASSERT_EQ(Played().size(), 2);
    EXPECT_EQ(Played()[0], TV_PROGRAM_DIR "/Musica Open.wav");
    EXPECT_EQ(Played()[1], TV_PROGRAM_DIR "/EXPLODE.WAV"); // spelled "Explode.WAV" by the window
}

TEST_F(GameWindowTest, MissingCueFilesCostNothing) {
    FormM->ProgramDir = "/nonexistent/";
    World.Sound->Playable = false;
    Open("TForm4");
    NewGame("1234");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(Text("Label3"), "You must enter number");
    Tick(9.0);
    EnterWinning("1234");
    EXPECT_TRUE(CongratulationShown);
    EXPECT_EQ(Text("Label6"), "Time : 0:9.0");
    EXPECT_TRUE(World.Errors.isEmpty());
}

TEST_F(GameWindowTest, ClosingAndReopeningFromTheMenu) {
    Open("TForm4");
    NewGame("1234");
    Enter("5678");
    Tick(3.0);
    Click("BitBtn2");
    EXPECT_FALSE(Game->Visible());
    EXPECT_TRUE(FormM->Visible());
    Open("TForm4");
    EXPECT_EQ(Text("Label3"), "Press New Game");
    EXPECT_EQ(Text("Label6"), "Time :");
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_TRUE(Shown("Image3"));
    EXPECT_EQ(Game->Session.Attempts(), 0);
    EXPECT_TRUE(List()->Item(1).contains("5678")); // rows stay until New Game
    Click("BitBtn4");
    EXPECT_EQ(Text("Label3"), "Press New Game"); // the number was forgotten
    NewGame("2345");
    EXPECT_EQ(List()->Item(1), "");

    // The title-bar button closes the same way.
    Game->close();
    EXPECT_FALSE(Game->Visible());
    EXPECT_TRUE(FormM->Visible());
}

TEST_F(GameWindowTest, TForm4PausesWhenAnotherWindowIsActivated) {
    Open("TForm4");
    NewGame("1234");
    Tick(3.0);
    FormM->Show(); // activity moves to the main window
    EXPECT_EQ(Text("Label3"), "Time Stopped !");
    EXPECT_FALSE(Edit()->isEnabled());
    EXPECT_TRUE(Shown("Image3"));
    World.Clock->Advance(20.0);
    Tick(1.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:3");
}

TEST_F(GameWindowTest, TForm44DoesNotPauseOnDeactivation) {
    Open("TForm44");
    NewGame("1123");
    FormM->Show();
    EXPECT_EQ(Text("Label3"), "");
    EXPECT_TRUE(Edit()->isEnabled());
    Tick(5.0);
    EXPECT_EQ(Text("Label6"), "Time : 0:5");
}

TEST_F(GameWindowTest, ClickOnTheAnimationHidesIt) {
    Open("TForm4");
    NewGame("1234");
    // Once closed, the animation stays closed for the rest of the run; bring it back for this test.
    Game->Panel6->show();
    QTest::mouseClick(Game->findChild<QWidget*>("Image4"), Qt::LeftButton);
    EXPECT_FALSE(Shown("Panel6"));
}

TEST_F(GameWindowTest, SelectingARowDoesNotMoveWhereTheNextGuessGoes) {
    Open("TForm4");
    NewGame("1234");
    Enter("5678");
    List()->SetItemIndex(10);
    Enter("5679");
    EXPECT_TRUE(List()->Item(2).contains("5679"));
    EXPECT_EQ(List()->Item(11), "");
    EXPECT_EQ(List()->ItemIndex(), 2);
}

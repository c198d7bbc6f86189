// A won game counts: it is recorded in the variant's score file and the
// score window opened from the game shows it selected.
#include "GameDriver.h"
#include "ScoreWindow.h"

#include <QFile>

namespace {

class ScoreRecording : public GameDriver {
protected:
    void SetUp() override {
        GameDriver::SetUp();
        QFile::remove("sc4.pr");
        QFile::remove("sc44.pr");
    }
    // Plays a game to a win after `seconds` of play.
    void Win(const std::string& secret, double seconds) {
        NewGame(secret);
        Tick(seconds);
        EnterWinning(secret);
    }
    QStringList ScoreRows(const char* window) {
        return Application->FindForm(window)->findChild<TListBox*>("ListBox4")->Items();
    }
    int SelectedRow(const char* window) {
        return Application->FindForm(window)->findChild<TListBox*>("ListBox4")->ItemIndex();
    }
    QStringList FileLines(const char* file) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
};

} // namespace

TEST_F(ScoreRecording, WinIsRecordedAndSelectedInTheScoreWindow) {
    FormM->Edit2->setText("Ana");
    Open("TForm4");
    Win("1234", 7.44);
    const QString date = QLocale().toString(World.Clock->Now().date(), QLocale::ShortFormat);
    const QString line = "   0:7.4" + QString(11, ' ') + date + QString(10, ' ') + "Ana";
    EXPECT_EQ(FileLines("sc4.pr"), QStringList({line}));
    EXPECT_EQ(Game->ScoreRow, 0);
    int selectedInside = -2;
    ClickModal("BitBtn6", "TFScore4", [&] { selectedInside = SelectedRow("TFScore4"); });
    EXPECT_TRUE(ModalShown);
    EXPECT_EQ(selectedInside, 0);
    EXPECT_EQ(ScoreRows("TFScore4").first(), line);
}

TEST_F(ScoreRecording, SlowerGameOutsideTheTopTenSelectsNothing) {
    Open("TForm44");
    // Ten fast wins fill the table, each becoming the newest row.
    for (int i = 0; i < 10; ++i) Win("1123", 5 + i);
    EXPECT_EQ(Game->ScoreRow, 9);
    Win("1123", 100);
    EXPECT_EQ(Game->ScoreRow, -1);
    EXPECT_EQ(FileLines("sc44.pr").size(), 11);
    int selectedInside = -2;
    ClickModal("BitBtn7", "TFScore44", [&] { selectedInside = SelectedRow("TFScore44"); });
    EXPECT_EQ(selectedInside, -1);
    EXPECT_EQ(ScoreRows("TFScore44").size(), 10);
    // A faster game lands in the middle and is selected there.
    Win("1123", 7.5);
    EXPECT_EQ(Game->ScoreRow, 3);
    EXPECT_TRUE(FileLines("sc44.pr")[3].startsWith("   0:7.5"));
}

TEST_F(ScoreRecording, NamesOutsideAsciiAndAnEmptyName) {
    Open("TForm4");
    FormM->Edit2->setText("Šime Čuček");
    Win("5678", 3);
    FormM->Edit2->setText("");
    Win("5678", 4);
    const QStringList lines = FileLines("sc4.pr");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("Šime Čuček"));
    EXPECT_TRUE(lines[1].endsWith(QString(10, ' ')));
}

TEST_F(ScoreRecording, UnwritableTableShowsTheErrorAndTheGameGoesOn) {
    QDir().mkdir("sc4.pr"); // a directory in place of the file cannot be read
    Open("TForm4");
    Win("1234", 3);
    EXPECT_TRUE(CongratulationShown);
    EXPECT_EQ(World.Errors.size(), 1);
    EXPECT_EQ(Game->ScoreRow, -1);
    EXPECT_TRUE(QFileInfo("sc4.pr").isDir());
    QDir().rmdir("sc4.pr");
}

// A recording that fails leaves ScoreRow as the last recording set it.
TEST_F(ScoreRecording, AFailedRecordingKeepsScoreRow) {
    Open("TForm4");
    Win("1234", 3);
    Win("1234", 2);
    EXPECT_EQ(Game->ScoreRow, 0);
    Win("1234", 4);
    EXPECT_EQ(Game->ScoreRow, 2);
    QFile::remove("sc4.pr");
    QDir().mkdir("sc4.pr");
    Win("1234", 1);
    EXPECT_EQ(World.Errors.size(), 1);
    EXPECT_EQ(Game->ScoreRow, 2);
    QDir().rmdir("sc4.pr");
}

// Arabic, Persian and Kurdish locales write the tenths after "٫": the line
// is padded by characters and ranks by its time.
TEST_F(ScoreRecording, AWholeRecordingUnderALocaleWithATwoByteSeparator) {
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    ASSERT_EQ(arabic.decimalPoint(), QString(QChar(0x066B)));
    QLocale::setDefault(arabic);
    FormM->Edit2->setText("Ana");
    Open("TForm4");
    Win("1234", 65.3);
    Win("1234", 7.4);
    Win("1234", 75.3);
    EXPECT_EQ(Game->ScoreRow, 2);
    const QString date = arabic.toString(World.Clock->Now().date(), QLocale::ShortFormat);
    const QStringList lines = FileLines("sc4.pr");
    ASSERT_EQ(lines.size(), 3);
    const QString tail = date + QString(10, ' ') + "Ana";
    EXPECT_EQ(lines[0], QString("   0:7\u066B4") + QString(11, ' ') + tail);
    EXPECT_EQ(lines[1], QString("   1:5\u066B3") + QString(11, ' ') + tail);
    EXPECT_EQ(lines[2], QString("   1:15\u066B3") + QString(9, ' ') + tail);
    EXPECT_EQ(ScoreRows("TFScore4").mid(0, 3), lines);
}

#include "GameWindow.h"

#include "Artwork.h"
#include "AttemptRow.h"
#include "Bitmap.h"
#include "Buttons.h"
#include "GameLayout.h"
#include "ImageControl.h"
#include "Indicator.h"
#include "ListBox.h"
#include "MaskEdit.h"
#include "Messages.h"
#include "RandomSource.h"
#include "Rules.h"
#include "Services.h"
#include "SoundCue.h"
#include "StdCtrls.h"
#include "TabSetMemo.h"
#include "Timer.h"

#include <QLocale>
#include <QPainter>

namespace {

constexpr int ListRows = MaxAttempts + 1; // row 0 stays empty

TLabel* MakeLabel(QWidget* parent, const QString& name, int left, int top, int pixelSize,
                  const QColor& color = Qt::white) {
    auto* label = new TLabel(parent, name, left, top);
    label->setFont(ControlFont(pixelSize, true));
    label->SetFontColor(color);
    return label;
}

TBitBtn* MakeButton(QWidget* parent, const QString& name, const QString& word, int left, int width) {
    auto* button = new TBitBtn(parent, name, left, 8, width, 34);
    button->SetGlyph(Artwork::ButtonFace(word, width - 4, 30));
    return button;
}

const QColor PanelGround(15, 30, 90);

// Bitmaps hold no transparency, so the marker is laid on the panel's colour.
// It keeps all its pixels and is stretched over the control, so that it
// stays sharp on screens scaled up to 200 %.
void SetMarker(TImage& image, const QImage& marker, const QColor& ground) {
    QImage laid(marker.size(), QImage::Format_RGB32);
    laid.fill(ground);
    QPainter painter(&laid);
    painter.drawImage(laid.rect(), marker);
    painter.end();
    image.SetStretch(true);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(laid);
    image.Picture.SetGraphic(std::move(bitmap));
}

} // namespace

TGameWindow::TGameWindow(const TVariant& variant, const TGameWindowLinks& links)
    : TForm(variant.ClassName), Variant(variant), Links(links),
      Session(variant, [] { return Services().Clock->MonotonicSeconds(); }) {
    SetClientSize(792, 553);
    SetBorder(TFormBorder::Single, true);
    SetPosition(TFormPosition::MainFormCenter);
    BuildControls();

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnActivate = [this] { FormActivate(); };
    OnClose = [this] { FormClose(); };
    if (Variant.PauseOnDeactivate) {
        OnDeactivate = [this] { BitBtn3Click(); };
        OnDestroy = [this] { BitBtn3Click(); };
    }
}

void TGameWindow::BuildControls() {
    QWidget* client = Client();
    Image1 = new TImage(client, "Image1", 0, 0, 792, 553);
    Image1->SetStretch(true);
    LoadPicture(Image1->Picture, "game-background.jpg");

    // The button row; the words are part of the pictures.
    BitBtn1 = MakeButton(client, "BitBtn1", "New Game", 10, 120);
    ScoreButton = MakeButton(client, Variant.ScoreButton, "Score", 136, 90);
    BitBtn4 = MakeButton(client, "BitBtn4", "Show Number", 232, 156);
    SoundOnButton = MakeButton(client, Variant.SoundOnButton, "Sound On", 394, 120);
    SoundOffButton = MakeButton(client, Variant.SoundOffButton, "Sound Off", 394, 120);
    SoundOffButton->hide();
    HelpButton = MakeButton(client, Variant.HelpButton, "Help", 520, 90);
    BitBtn2 = MakeButton(client, "BitBtn2", "Exit", 616, 90);
    BitBtn1->OnClick = [this] { BitBtn1Click(); };
    BitBtn2->OnClick = [this] { BitBtn2Click(); };
    BitBtn4->OnClick = [this] { BitBtn4Click(); };
    HelpButton->OnClick = [this] { HelpClick(); };
    ScoreButton->OnClick = [this] { ScoreClick(); };
    SoundOnButton->OnClick = [this] { SoundOnClick(); };
    SoundOffButton->OnClick = [this] { SoundOffClick(); };
    if (Variant.NewGameIsCancel) BitBtn1->SetCancel(true);

    // The instruction panel with the input field.
    Panel1 = new TPanel(client, "Panel1", 10, 52, 372, 170, TBevel::Raised);
    Panel1->SetColor(QColor(20, 40, 120));
    Label8 = MakeLabel(Panel1, "Label8", 12, 12, 15, Qt::yellow);
    Label9 = MakeLabel(Panel1, "Label9", 12, 44, 15, Qt::yellow);
    Label10 = MakeLabel(Panel1, "Label10", 12, 90, 15);
    Label11 = MakeLabel(Panel1, "Label11", 12, 130, 15);
    const int digits = Variant.Digits;
    MaskEdit1 = new TMaskEdit(Panel1, "MaskEdit1", 230, 84, 24 + 14 * digits, 30);
    MaskEdit1->setFont(ControlFont(16, true));
    MaskEdit1->setStyleSheet("QLineEdit { background: white; color: black; }");
    MaskEdit1->SetEditMask(Variant.EditMask);
    MaskEdit1->OnKeyPress = [this](char& key) { MaskEdit1KeyPress(key); };
    SetActiveControl(MaskEdit1);

    // The message panel with the markers and the clock.
    Panel2 = new TPanel(client, "Panel2", 10, 232, 372, 311, TBevel::Lowered);
    Panel2->SetColor(PanelGround);
    Label2 = MakeLabel(Panel2, "Label2", 12, 12, 15, Qt::yellow);
    Image2 = new TImage(Panel2, "Image2", 12, 48, 24, 24);
    SetMarker(*Image2, Artwork::ErrorMarker(), PanelGround);
    Image3 = new TImage(Panel2, "Image3", 12, 48, 24, 24);
    SetMarker(*Image3, Artwork::AttentionMarker(), PanelGround);
    Image2->hide();
    Label3 = MakeLabel(Panel2, "Label3", 44, 52, 15);
    Label5 = MakeLabel(Panel2, "Label5", 12, 88, 22, Qt::yellow);
    // Label1 is a message line here, unless Panel6 holds it as the indicator.
    if (Variant.Panel6 != TPanel6Kind::Indicator) Label1 = MakeLabel(Panel2, "Label1", 12, 130, 15);
    Panel5 = new TPanel(Panel2, "Panel5", 12, 200, 348, 98, TBevel::Lowered);
    ClockPicture = new TImage(Panel5, "Image5", 1, 1, 346, 96);
    ClockPicture->SetStretch(true);
    LoadPicture(ClockPicture->Picture, "clock-background.jpg");
    Label6 = MakeLabel(Panel5, "Label6", 24, 34, 22, Qt::white);
    Label6->SetCaption("Time :");

    // The attempts panel: header, list, and what Panel6 holds.
    Panel3 = new TPanel(client, "Panel3", 392, 52, 390, 491, TBevel::Lowered);
    Panel4 = new TPanel(Panel3, "Panel4", 2, 2, 386, 26, TBevel::Raised);
    Panel4->setFont(ControlFont(13, true));
    Panel4->SetCaption(Variant.HeaderCaption);
    const int tabHeight = Variant.HelpTabs.isEmpty() ? 0 : 26;
    const int indicatorHeight = Variant.Panel6 == TPanel6Kind::Indicator ? 32 : 0;
    ListBox1 = new TListBox(Panel3, "ListBox1", 2, 28, 386, 461 - tabHeight - indicatorHeight);
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setFont(ControlFont(16, true));
    ListBox1->SetRowHeight(20);
    for (int row = 0; row < ListRows; ++row) ListBox1->Add(QString());
    if (!Variant.HelpTabs.isEmpty()) {
        TabSet1 = new TTabSet(Panel3, "TabSet1", 2, 489 - tabHeight - indicatorHeight, 386, tabHeight);
        TabSet1->SetTabs(Variant.HelpTabs);
    }
    if (Variant.Panel6 == TPanel6Kind::Animation) {
        Panel6 = new TPanel(Panel3, "Panel6", 40, 280, 310, 190, TBevel::Raised);
        Image4 = new TImage(Panel6, "Image4", 2, 2, 306, 186);
        Image4->SetStretch(true);
        Image4->setToolTip("Close");
        Image4->OnClick = [this] { Image4Click(); };
        LoadPicture(Image4->Picture, "hint.gif");
    } else if (Variant.Panel6 == TPanel6Kind::Indicator) {
        Panel6 = new TPanel(Panel3, "Panel6", 2, 489 - indicatorHeight, 386, indicatorHeight, TBevel::Raised);
        Panel6->SetColor(QColor(20, 40, 120));
        Label1 = MakeLabel(Panel6, "Label1", 12, 7, 15, Qt::yellow);
        Label1->SetCaption("Double : Yes(No)");
    }

    Stoperica = new TTimer(this, "Stoperica", 100);
    Stoperica->OnTimer = [this] { StopericaTimer(); };
    FitGameWindowLayout(*this);
}

void TGameWindow::FormCreate() {
    SoundOn = 1;
    if (TabSet1) TabSet1->SetTabIndex(1);
}

void TGameWindow::FormShow() {
    SoundOn = 1;
    SoundOnButton->show();
    SoundOffButton->hide();
    Label6->SetCaption("Time :");
    ScoreRow = -1;
    if (!Variant.IndicatorOnShow.isEmpty()) Label1->SetCaption(Variant.IndicatorOnShow);
}

void TGameWindow::FormActivate() {
    Session.Activate();
    Stoperica->SetEnabled(false);
    MaskEdit1->setEnabled(false);
    ShowError(false);
    ShowAttention(true);
    SetCaption(Variant.Caption);
    Label8->SetCaption(Variant.Label8);
    Label9->SetCaption(Variant.Label9);
    Label10->SetCaption(Variant.Label10);
    Label11->SetCaption(AndPressEnterText);
    Label2->SetCaption(WarningsText);
    Label5->SetCaption(QString());
    if (Variant.Indicator == TIndicatorRule::None)
        Label1->SetCaption(QString());
    else if (!Variant.IndicatorOnActivate.isEmpty())
        Label1->SetCaption(Variant.IndicatorOnActivate);
    Label3->SetCaption(PressNewGameText);
    if (Variant.ActivateClearsRows) ClearRows();
    if (Variant.ActivateEmptiesInput) MaskEdit1->SetText(QString(Variant.Digits, ' '));
}

void TGameWindow::FormClose() {
    Links.MainWindow.Show();
}

void TGameWindow::BitBtn1Click() {
    Cue(Variant.OpeningCue);
    Session.Start(*Services().Random);
    Label3->SetCaption(QString());
    Stoperica->SetEnabled(true);
    MaskEdit1->setEnabled(true);
    MaskEdit1->SetText(QString(Variant.Digits, ' '));
    MaskEdit1->setFocus();
    ClearRows();
    Label2->SetCaption(WarningsText);
    Label5->SetCaption("  ");
    Label1->SetCaption(Variant.Indicator == TIndicatorRule::None ? QString() : Variant.IndicatorOnNewGame);
    ShowAttention(false);
    ShowError(false);
}

void TGameWindow::ClearRows() {
    for (int row = 1; row < ListRows; ++row) ListBox1->SetItem(row, QString());
    ListBox1->SetItemIndex(0);
}

void TGameWindow::MaskEdit1KeyPress(char& key) {
    Label3->SetCaption(QString());
    ShowError(false);
    if (key == 27) MaskEdit1->SetText(QString(Variant.Digits, ' '));
    if (key != 13) return;
    const TEnterResult result = Session.Enter(MaskEdit1->Text().toStdString());
    // Only a counted guess is taken from the field, which then selects it for
    // the next one. After any other Enter the typed digits stay as they are,
    // typing goes on after them, and Esc still only empties the field.
    if (result.Outcome != TEnterOutcome::Counted) key = 0;
    ShowEnter(result);
}

void TGameWindow::ShowEnter(const TEnterResult& result) {
    if (result.Outcome == TEnterOutcome::Ignored) return;
    if (result.Outcome == TEnterOutcome::Empty) {
        ShowError(true);
        ShowAttention(false);
        Label3->SetCaption(result.Message);
        Cue(Variant.WarningCue);
        return;
    }
    if (Variant.EnterHidesAttention) {
        ShowError(false);
        ShowAttention(false);
        if (Variant.Panel6 == TPanel6Kind::Animation) Panel6->hide();
    }
    if (result.Refused()) {
        ShowError(true);
        Label3->SetCaption(result.Message);
        Cue(Variant.WarningCue);
        if (result.Outcome == TEnterOutcome::Wrong) return;
    }
    if (result.LastAttempt) {
        ShowError(false);
        ShowAttention(true);
        Label3->SetCaption(Variant.LastAttemptMessage);
        Cue(Variant.WarningCue);
    }
    if (result.Lost) {
        ShowError(false);
        ShowAttention(true);
        Label2->SetCaption(LossText);
        Label3->SetCaption(LossNumberText + QString::fromStdString(Session.Secret()));
        Cue(Variant.WarningCue);
    }
    const bool counted = result.Outcome == TEnterOutcome::Counted;
    if (counted) {
        // The row follows the attempt count, whatever row the player selected;
        // the guess stays in the field.
        ListBox1->SetItem(result.Attempt,
                          AttemptRow(Variant, result.Attempt, MaskEdit1->Text(), result.Hits, HelpMode()));
        ListBox1->SetItemIndex(result.Attempt);
    }
    Label1->SetCaption(
        IndicatorAfterEnter(Variant, Session.Secret(), counted, Session.Attempts(), Label1->text()));
    if (result.Won) WinSequence();
}

void TGameWindow::WinSequence() {
    if (Variant.WinStopsClockFirst) Stoperica->SetEnabled(false);
    Cue(Variant.WinCue);
    MaskEdit1->setEnabled(false);
    // The final time is the last tick's; it is not measured again here.
    Label6->SetCaption(Session.Clock.FinalText());
    Stoperica->SetEnabled(false);
    Links.Congratulation.ShowModal();
    RecordResult();
}

void TGameWindow::RecordResult() {
    ScoreEntry entry;
    const TStopwatch& clock = Session.Clock;
    entry.Minutes = static_cast<int64_t>(clock.Minutes);
    entry.Seconds = static_cast<int>(clock.Seconds);
    entry.TenthsText = clock.TenthsText.toStdString();
    entry.DateText = QLocale().toString(Services().Clock->Now().date(), QLocale::ShortFormat).toStdString();
    entry.PlayerName = Links.Settings.PlayerName.toUtf8().toStdString();
    entry.Gap = Variant.ScoreGap;
    // The score window holds the table's lists; it records the line and
    // tells where the new result stands among the ten shown. When recording
    // fails its error goes to the error box and ScoreRow keeps what it was.
    ScoreRow = Links.Scores.RecordWin(entry);
}

void TGameWindow::BitBtn2Click() {
    Close();
}

void TGameWindow::BitBtn4Click() {
    if (!Session.Reveal()) return;
    Label2->SetCaption(InterruptedText);
    Label3->SetCaption(RevealedNumberText + QString::fromStdString(Session.Secret()));
    Cue(Variant.WarningCue);
    MaskEdit1->setEnabled(false);
    Stoperica->SetEnabled(false);
    ShowAttention(true);
    ShowError(false);
}

void TGameWindow::HelpClick() {
    if (Session.Pause(TPauseCause::Window)) Stoperica->SetEnabled(false);
    Links.HelpWindow.ShowModal();
    Stoperica->SetEnabled(true);
    if (Session.TakesGuesses()) {
        ResumeClock();
        MaskEdit1->setFocus();
    }
}

void TGameWindow::ScoreClick() {
    if (Session.Pause(TPauseCause::Window)) {
        Stoperica->SetEnabled(false);
        ShowAttention(true);
        Label3->SetCaption(TimeStoppedText);
    }
    Links.Scores.ShowModal();
    ShowAttention(false);
    Label3->SetCaption(QString());
    Stoperica->SetEnabled(true);
    if (Session.TakesGuesses()) {
        ResumeClock();
        MaskEdit1->setFocus();
    }
}

void TGameWindow::SoundOnClick() {
    SoundOn = 0;
    SoundOnButton->hide();
    SoundOffButton->show();
}

void TGameWindow::SoundOffClick() {
    SoundOn = 1;
    SoundOffButton->hide();
    SoundOnButton->show();
}

void TGameWindow::Image4Click() {
    if (Panel6) Panel6->hide();
}

void TGameWindow::StopericaTimer() {
    if (Session.Tick(LocaleDecimalPoint())) Label6->SetCaption(Session.Clock.RunningText());
}

void TGameWindow::BitBtn3Click() {
    if (Session.Over() || Session.Secret().empty()) return;
    if (Session.Pause(TPauseCause::Deactivation)) {
        Stoperica->SetEnabled(false);
        ShowError(false);
        ShowAttention(true);
        Label3->SetCaption(TimeStoppedText);
        MaskEdit1->setEnabled(false);
    } else {
        ResumeClock();
        ShowAttention(false);
        MaskEdit1->setEnabled(true);
        MaskEdit1->setFocus();
        Label3->SetCaption(QString());
    }
}

int TGameWindow::HelpMode() const {
    return TabSet1 && TabSet1->TabIndex() == 1 ? 1 : 0;
}

void TGameWindow::Cue(const QString& fileName) {
    if (SoundOn == 1) PlayCue(Links.Settings, fileName);
}

void TGameWindow::ShowError(bool shown) {
    if (Image2) Image2->setVisible(shown);
}

void TGameWindow::ShowAttention(bool shown) {
    Image3->setVisible(shown);
}

void TGameWindow::ResumeClock() {
    Session.Resume();
    Stoperica->SetEnabled(true);
}

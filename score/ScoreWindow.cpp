#include "ScoreWindow.h"

#include "Artwork.h"
#include "Buttons.h"
#include "ImageControl.h"
#include "ListBox.h"
#include "StdCtrls.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

const int RankTops[10] = {22, 39, 55, 72, 87, 103, 119, 135, 151, 166};
// Space kept between a rank label and the list's left edge.
constexpr int RankGap = 1;
// Below this a rank would be hard to read; no stock desktop font comes near it.
constexpr int SmallestRankPixelSize = 9;

int InkWidth(const QFont& font, const QString& text) {
    // The ink of a bold glyph can reach past its advance.
    const QFontMetrics metrics(font);
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
}

QStringList ToQt(const std::vector<std::string>& texts) {
    QStringList list;
    for (const auto& t : texts) list << QString::fromStdString(t);
    return list;
}

// The sky-blue list with rows in the chosen colour.
QString ListStyle(const QColor& text) {
    return QString("QListWidget { background: rgb(166, 202, 240); color: %1; }").arg(text.name());
}

} // namespace

bool ConfirmDlg(const QString& text) {
    return MessageDlg(text) == TModalResult::Yes;
}

TScoreWindow::TScoreWindow(const TScoreVariant& variant) : TForm(variant.ClassName), Variant(variant) {
    SetCaption(variant.Caption);
    SetPosition(variant.Position);
    SetClientSize(variant.ClientWidth, variant.ClientHeight);
    SetBorder(variant.Sizeable ? TFormBorder::Sizeable : TFormBorder::Dialog, false);
    setFont(ControlFont(11, false));
    QWidget* client = Client();

    Image1 = new TImage(client, "Image1", 0, 0, 640, 347); // natural size, clipped by the window
    LoadPicture(Image1->Picture, "score-background.jpg");

    Label1 = new TLabel(client, "Label1", 22, 4, "    Duration          Date                Name  ",
                        ControlFont(13, true));
    for (int i = 0; i < 10; ++i) {
        RankLabels[i] = new TLabel(client, QString("Label%1").arg(i + 2), i == 9 ? 5 : 13, RankTops[i],
                                   QString("%1)").arg(i + 1), ControlFont(13, true));
    }

    ListBox1 = new TListBox(client, "ListBox1", 27, 20, 316, 167);
    ListBox1->setVisible(false);
    ListBox1->SetItems(QStringList(18, QString()));

    ListBox4 = new TListBox(client, "ListBox4", variant.ListLeft, variant.ListTop, variant.ListWidth,
                            variant.ListHeight);
    ListBox4->setFont(ControlFont(13, true));
    ListBox4->setStyleSheet(ListStyle(FontDialog1.Color));
    ListBox4->setFocusPolicy(Qt::ClickFocus); // Tab skips it
    ListBox4->SetRowHeight(16);
    ListBox4->SetItems(QStringList(10, QString()));
    FitRankLabels();

    BitBtn3 = new TBitBtn(client, "BitBtn3", variant.FontLeft, variant.ButtonTop, 75, 20);
    BitBtn3->SetGlyph(Artwork::ButtonFace("Font", 71, 16));
    BitBtn3->OnClick = [this] { BitBtn3Click(); };
    BitBtn2 = new TBitBtn(client, "BitBtn2", variant.ClearLeft, variant.ButtonTop, 75, 20);
    BitBtn2->SetGlyph(Artwork::ButtonFace("Clear", 71, 16));
    BitBtn2->OnClick = [this] { BitBtn2Click(); };
    const bool firstStyle = QString(variant.CloseButton) == "BitBtn1";
    CloseButton = new TBitBtn(client, variant.CloseButton, variant.CloseLeft, variant.ButtonTop,
                              firstStyle ? 81 : 75, 20);
    CloseButton->SetGlyph(Artwork::ButtonFace("Close", firstStyle ? 77 : 71, 16));
    if (!firstStyle) CloseButton->setFont(ControlFont(13, true));
    CloseButton->OnClick = [this] { CloseClick(); };
    if (firstStyle) SetActiveControl(CloseButton);

    FontDialog1.Font = ControlFont(11, false);
    // An enlarged window keeps its plain background under the whole client
    // area: the picture is stretched once the area outgrows it.
    OnResize = [this] {
        const QSize area = Client()->size();
        Image1->SetStretch(area.width() > 640 || area.height() > 347);
        Image1->resize(area.expandedTo(QSize(640, 347)));
    };

    if (variant.FillOnActivation)
        OnActivate = [this] { FormShow(); };
    else
        OnShow = [this] { FormShow(); };
}

void TScoreWindow::FitRankLabels() {
    // The designed places were drawn for a narrower font than the system may
    // give: measured in the real one, a label that would reach under the list
    // moves left, and shrinks only where the window's edge leaves too little room.
    const int room = ListBox4->x() - RankGap;
    for (TLabel* label : RankLabels) {
        QFont font = label->font();
        while (font.pixelSize() > SmallestRankPixelSize && InkWidth(font, label->text()) > room)
            font.setPixelSize(font.pixelSize() - 1);
        label->setFont(font);
        // Wide enough for the ink too, where that reaches past the caption's size.
        if (const int ink = InkWidth(font, label->text()); ink > label->width()) {
            label->SetAutoSize(false);
            label->resize(ink, label->height());
        }
        if (label->x() + label->width() > room) label->move(std::max(0, room - label->width()), label->y());
    }
}

int TScoreWindow::CurrentScoreRow() const {
    return RowSource ? RowSource->NewestScoreRow() : -1;
}

void TScoreWindow::ShowLists(const std::vector<std::string>& lines, const std::vector<std::string>& rows) {
    ListBox1->SetItems(ToQt(lines));
    ListBox4->SetItems(ToQt(rows));
}

std::vector<std::string> TScoreWindow::ShownRows() const {
    std::vector<std::string> rows;
    for (const QString& row : ListBox4->Items()) rows.push_back(row.toStdString());
    return rows;
}

void TScoreWindow::FormShow() {
    const ShownTable table = LoadForDisplay(Variant.FileName, ShownRows());
    ShowLists(table.Lines, table.Rows);
    ListBox4->SetItemIndex(CurrentScoreRow());
}

int TScoreWindow::RecordWin(const ScoreEntry& entry) {
    const RecordedWin win = ::RecordWin(Variant.FileName, entry, ShownRows());
    ShowLists(win.Lines, win.Rows);
    ListBox4->SetItemIndex(win.ScoreRow);
    return win.ScoreRow;
}

void TScoreWindow::BitBtn2Click() {
    if (!ConfirmDlg("Are you sure you want to clear the score list? ")) return;
    ListBox1->Clear();
    ListBox4->Clear();
    ClearScoreTable(Variant.FileName);
}

void TScoreWindow::BitBtn3Click() {
    if (!FontDialog1.Execute()) return;
    ListBox4->setFont(FontDialog1.Font);
    ListBox4->SetRowHeight(QFontMetrics(FontDialog1.Font).height());
    ListBox4->setStyleSheet(ListStyle(FontDialog1.Color));
}

#include "FontColorDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

const QList<TNamedColor>& BasicColors() {
    static const QList<TNamedColor> colors = {
        {"Black", QColor(0, 0, 0)},       {"Maroon", QColor(128, 0, 0)},    {"Green", QColor(0, 128, 0)},
        {"Olive", QColor(128, 128, 0)},   {"Navy", QColor(0, 0, 128)},      {"Purple", QColor(128, 0, 128)},
        {"Teal", QColor(0, 128, 128)},    {"Gray", QColor(128, 128, 128)},  {"Silver", QColor(192, 192, 192)},
        {"Red", QColor(255, 0, 0)},       {"Lime", QColor(0, 255, 0)},      {"Yellow", QColor(255, 255, 0)},
        {"Blue", QColor(0, 0, 255)},      {"Fuchsia", QColor(255, 0, 255)}, {"Aqua", QColor(0, 255, 255)},
        {"White", QColor(255, 255, 255)},
    };
    return colors;
}

bool RunFontColorDialog(QFont& font, QColor& color, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Font");
    // Qt's font panel, embedded, with the colour list and the buttons below.
    auto* fonts = new QFontDialog(font, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    // The panel is a dialog of its own: Esc in it would only hide the panel.
    QObject::connect(fonts, &QDialog::rejected, &dialog, &QDialog::reject);
    auto* colors = new QComboBox(&dialog);
    colors->setObjectName("Color");
    for (const TNamedColor& entry : BasicColors()) {
        QPixmap swatch(16, 12);
        swatch.fill(entry.Color);
        colors->addItem(QIcon(swatch), entry.Name, entry.Color);
    }
    const int current = colors->findData(color);
    if (current >= 0) {
        colors->setCurrentIndex(current);
    } else {
        colors->addItem("Custom", color);
        colors->setCurrentIndex(colors->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel("&Color:", &dialog);
    colorLabel->setBuddy(colors);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colors);
    colorRow->addStretch();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted) return false;
    font = fonts->currentFont();
    color = colors->currentData().value<QColor>();
    return true;
}

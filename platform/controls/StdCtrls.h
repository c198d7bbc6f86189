#pragma once
// Labels, panels and the plain edit box.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <functional>

QFont ControlFont(int pixelSize, bool bold, const QString& family = "MS Sans Serif");

class TLabel : public QLabel {
public:
    TLabel(QWidget* parent, const QString& name, int left, int top, const QString& caption = {});
    // With its own font from the start, the label is sized to its caption once.
    TLabel(QWidget* parent, const QString& name, int left, int top, const QString& caption,
           const QFont& font);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    void SetFontColor(const QColor& color);
    void SetAutoSize(bool autoSize) { AutoSize = autoSize; }
    bool AutoSized() const { return AutoSize; }

protected:
    void changeEvent(QEvent* event) override;

private:
    // Takes the size the caption asks for.
    void FitToCaption();

    bool AutoSize = true;
};

enum class TBevel { None, Lowered, Raised };

class TPanel : public QFrame {
public:
    TPanel(QWidget* parent, const QString& name, int left, int top, int width, int height,
           TBevel bevel = TBevel::Raised);
    QString Caption() const;
    void SetCaption(const QString& caption);
    void SetColor(const QColor& color);

private:
    QLabel* CaptionLabel;
};

class TEdit : public QLineEdit {
public:
    TEdit(QWidget* parent, const QString& name, int left, int top, int width, int height);
    std::function<void()> OnChange;
    QString Text() const { return text(); }
};

#pragma once
// The masked input field. An edit mask such as "0000;1;_" lets each position
// take one digit and nothing else; the text reads untyped positions as
// spaces. The key-press event sees every character key, Enter (13) and
// Esc (27) included, before the field handles it.

#include <QLineEdit>
#include <functional>

class TMaskEdit : public QLineEdit {
public:
    TMaskEdit(QWidget* parent, const QString& name, int left, int top, int width, int height);

    // The handler may change the key, or set it to 0 to swallow it.
    std::function<void(char& key)> OnKeyPress;

    void SetEditMask(const QString& editMask);
    QString EditMask() const { return Mask; }
    // The field's text: one character per position, untyped ones as spaces.
    QString Text() const;
    // Sets the text; it counts as not typed by the player.
    void SetText(const QString& text);
    // Whether the player typed since the text was last set.
    bool Modified() const { return TypedSinceSet; }

    // Feeds one key through the field as if it were typed.
    void TypeKey(char key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The field selects its text when it gets the focus other than by a
    // click, so that a guess typed after Tab, or after a help or score
    // window closes, replaces the one shown.
    void focusInEvent(QFocusEvent* event) override;

private:
    bool TakesEscape() const;
    void FieldKey(char key, QKeyEvent* event);

    QString Mask;
    QChar Blank = '_';
    int Positions = 0;
    bool TypedSinceSet = false;
};

// Translates a mask of the classic toolkit ("0" a required digit, "9" an
// optional one) into Qt's, where the two letters mean the reverse.
QString QtInputMask(const QString& editMask, QChar* blank = nullptr, int* positions = nullptr);

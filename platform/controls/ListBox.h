#pragma once
// The list box: rows of text with one selected row. It loads its rows from a
// text file and saves them with CR LF after every line.

#include <QListWidget>
#include <QStringList>
#include <string>

class TListBox : public QListWidget {
public:
    TListBox(QWidget* parent, const QString& name, int left, int top, int width, int height);

    int Count() const { return count(); }
    QString Item(int row) const;
    QStringList Items() const;
    void SetItem(int row, const QString& text);
    void Add(const QString& text);
    void Clear() { clear(); }
    void SetItems(const QStringList& rows);

    // -1, or a row at or beyond the count, selects nothing.
    int ItemIndex() const;
    void SetItemIndex(int row);
    void SetRowHeight(int pixels);

    // Replaces the rows by the lines of the file (CR, LF or CR LF end a
    // line); throws EFOpenError when the file is missing or unreadable, and
    // then keeps its rows.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    int RowHeight = 0;
};

QStringList SplitLines(const QByteArray& bytes);

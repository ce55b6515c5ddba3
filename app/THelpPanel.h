// The help panel of the main window: a title, the help text and the web link.
#pragma once

#include <QFrame>

class QPlainTextEdit;
class TClickLabel;

class THelpPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr const char* Title = "Ry7 Style to Midi / Midi to Style Conversion Tool";
    static constexpr const char* WebLinkText = "Visit the Quelon Ry Website";

    // Builds the hidden panel inside `parent`, which places it over the controls it covers; the title
    // wraps and the text scrolls, so the panel shows whole at any size its parent's layout gives it.
    explicit THelpPanel(QWidget* parent);

    // The help text of Memo1.
    static QString HelpText();

    TClickLabel* StaticText1;
    QPlainTextEdit* Memo1;
    TClickLabel* GotoWeb;

Q_SIGNALS:
    // A click on the panel's free area (outside its title, text and link).
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TClickLabel* MakeLabel(const char* name, const char* text);
};

// The program's own message and question dialog: a caption, a text and up to three framed-text buttons.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class TClickLabel;

class TRyGeneralDlg : public QDialog {
    Q_OBJECT
public:
    // Modal results of the three buttons (left, middle, right).
    static constexpr int ResultYes = 6;
    static constexpr int ResultNo = 7;
    static constexpr int ResultCancel = 2;

    // Builds the dialog over `owner` (centred on it) with its caption, text and the texts of the left,
    // middle and right buttons; a button whose text is empty is not shown but keeps its place. The dialog
    // takes the size its wrapped texts and its buttons need in the platform's font.
    TRyGeneralDlg(QWidget* owner, const QString& caption, const QString& text, const QString& left,
                  const QString& middle, const QString& right);

    // The dialog has no title bar and no cancel key: Escape and close requests are ignored, so it
    // ends only through one of its visible buttons, clicked or pressed with Space, Return or Enter while
    // it has the focus (Tab moves it; it starts on the middle button, or on the left one when the middle
    // one is not shown).
    void reject() override {}

    // Controls, by their names
    QFrame* Panel1;
    QLabel* CaptionLabel;
    QLabel* TextLabel;
    TClickLabel* ButtonYes;
    TClickLabel* ButtonNo;
    TClickLabel* ButtonCancel;

private:
    void ButtonYesClick() { done(ResultYes); }
    void ButtonNoClick() { done(ResultNo); }
    void ButtonCancelClick() { done(ResultCancel); }
    void ButtonYesMouseDown() { ShowPressed(ButtonYes); }
    void ButtonNoMouseDown() { ShowPressed(ButtonNo); }
    void ButtonCancelMouseDown() { ShowPressed(ButtonCancel); }

    TClickLabel* MakeButton(const char* name, const QString& text);
    void ArrangeControls();
    void ShowPressed(TClickLabel* button);
};

// How the window shows its messages and questions, so that tests can answer them.
#pragma once

class QString;
class QWidget;

class CMessageDialog {
public:
    virtual ~CMessageDialog() = default;
    // Shows `caption` and `text` modally over `owner` with up to three buttons (an empty text hides
    // its button) and returns 6 for the left, 7 for the middle and 2 for the right button.
    virtual int Show(QWidget* owner, const QString& caption, const QString& text, const QString& middle,
                     const QString& left, const QString& right) = 0;
};

// The real dialog: a TRyGeneralDlg shown modally and destroyed when answered.
class CRyMessageDialog final : public CMessageDialog {
public:
    int Show(QWidget* owner, const QString& caption, const QString& text, const QString& middle,
             const QString& left, const QString& right) override;
};

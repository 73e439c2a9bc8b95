#pragma once

#include <QDialog>

// A modal message box: an icon, the text, an OK button and, when asked for, Cancel. It
// belongs to its parent window, opens centred on it and never outgrows its screen: a text
// too big to show whole keeps its last line in view below a scrolling area that holds the
// lines above it, each line whole.
class MessageDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Icon
    {
        None,
        Error,
        Question
    };

    MessageDialog(QWidget *parent, const QString &text, Icon icon, bool withCancel);
};

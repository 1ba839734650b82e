#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <optional>

class QWidget;
struct TResult;

// The four kinds of message box.
enum class TMsgIcon { Warning, Error, Information, Confirmation };

struct TFileDialogRequest {
    QString title;          // "Open Pudlo file...", "Save Pudlo file...", "Import Pudlo file..."
    QString filter;         // Qt filter string, e.g. "Pudlo file (*.RZ4);;Single pudlo frame (*.RZ4-frame)"
    QString defaultSuffix;  // "RZ4"
    QString folder;         // initial folder
    QString fileName;       // initial file name (may be empty; a wildcard only filters)
};

// Every message box, input box, file dialog and colour chooser the program shows
// goes through this, so that tests can answer them.
class TPrompts {
public:
    virtual ~TPrompts() = default;
    virtual bool Ask(TMsgIcon icon, const QString& text) = 0;            // Yes/No; true = Yes
    virtual void Tell(TMsgIcon icon, const QString& text) = 0;           // OK button
    virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                             const QString& text) = 0;   // nullopt = cancelled
    virtual QString OpenFileName(const TFileDialogRequest& request) = 0; // empty = cancelled; file must exist
    virtual QString SaveFileName(const TFileDialogRequest& request) = 0; // empty = cancelled; asks before overwrite
    virtual std::optional<QColor> ChooseColor(const QColor& initial) = 0; // nullopt = cancelled
};

// How the editor tells how a load, save, import, export or compile went: a failure's
// message in an error box. Returns whether it succeeded.
bool Succeeded(TPrompts& prompts, const TResult& result);

// The width a box needs to show its caption and its prompt (a line of its text) whole,
// within the screen.
int CaptionFitWidth(const QWidget& box, const QString& caption, const QString& prompt);

// The real dialogs, modal over `parent`. Message boxes carry the application's name.
class TQtPrompts : public TPrompts {
public:
    explicit TQtPrompts(QWidget* parent);

    bool Ask(TMsgIcon icon, const QString& text) override;
    void Tell(TMsgIcon icon, const QString& text) override;
    std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& text) override;
    QString OpenFileName(const TFileDialogRequest& request) override;
    QString SaveFileName(const TFileDialogRequest& request) override;
    std::optional<QColor> ChooseColor(const QColor& initial) override;

private:
    QPointer<QWidget> Parent;
};

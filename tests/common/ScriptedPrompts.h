#pragma once

#include "Prompts.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <QtDebug>

// Answers prompts from a queue filled by the test, in the order they will appear,
// and logs every prompt shown. A prompt with no matching answer at the head of the
// queue is answered No / cancel / empty and recorded in Unexpected; the queued
// answer stays for the prompt it was meant for.
class TScriptedPrompts : public TPrompts {
public:
    struct TShown {
        QString kind;          // "Ask", "Tell", "Input", "Open", "Save", "Color"
        TMsgIcon icon = TMsgIcon::Information;
        QString text;          // message; the prompt of an input box; a dialog's title; a colour's name
        QString caption;
        QString prompt;
        QString defaultText;
        TFileDialogRequest request;
    };

    void ExpectAsk(bool yes) { Queue.enqueue({QStringLiteral("Ask"), yes, {}, {}, {}}); }
    void ExpectTell() { Queue.enqueue({QStringLiteral("Tell"), false, {}, {}, {}}); }
    void ExpectInput(std::optional<QString> answer) { Queue.enqueue({QStringLiteral("Input"), false, answer, {}, {}}); }
    void ExpectOpen(QString fileName) { Queue.enqueue({QStringLiteral("Open"), false, {}, fileName, {}}); }
    void ExpectSave(QString fileName) { Queue.enqueue({QStringLiteral("Save"), false, {}, fileName, {}}); }
    void ExpectColor(std::optional<QColor> color) { Queue.enqueue({QStringLiteral("Color"), false, {}, {}, color}); }

    QList<TShown> Shown;       // every prompt shown, in order
    QStringList Unexpected;    // "kind: text" of each prompt that found no queued answer for its kind
    bool AllAnswered() const { return Queue.isEmpty(); }

    bool Ask(TMsgIcon icon, const QString& text) override
    {
        const auto answer = Take(Entry(QStringLiteral("Ask"), icon, text));
        return answer && answer->yes;
    }

    void Tell(TMsgIcon icon, const QString& text) override
    {
        Take(Entry(QStringLiteral("Tell"), icon, text));
    }

    std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& text) override
    {
        TShown shown = Entry(QStringLiteral("Input"), TMsgIcon::Information, prompt);
        shown.caption = caption;
        shown.prompt = prompt;
        shown.defaultText = text;
        const auto answer = Take(shown);
        return answer ? answer->input : std::nullopt;
    }

    QString OpenFileName(const TFileDialogRequest& request) override { return FileName(QStringLiteral("Open"), request); }
    QString SaveFileName(const TFileDialogRequest& request) override { return FileName(QStringLiteral("Save"), request); }

    std::optional<QColor> ChooseColor(const QColor& initial) override
    {
        const auto answer = Take(Entry(QStringLiteral("Color"), TMsgIcon::Information, initial.name()));
        return answer ? answer->color : std::nullopt;
    }

private:
    struct TAnswer {
        QString kind;
        bool yes = false;
        std::optional<QString> input;
        QString fileName;
        std::optional<QColor> color;
    };

    static TShown Entry(const QString& kind, TMsgIcon icon, const QString& text)
    {
        TShown shown;
        shown.kind = kind;
        shown.icon = icon;
        shown.text = text;
        return shown;
    }

    std::optional<TAnswer> Take(const TShown& shown)
    {
        Shown.append(shown);
        if (!Queue.isEmpty() && Queue.head().kind == shown.kind)
            return Queue.dequeue();
        const QString entry = shown.kind + QStringLiteral(": ") + shown.text;
        Unexpected.append(entry);
        qWarning().noquote() << "Unexpected prompt" << entry
                             << (Queue.isEmpty() ? QStringLiteral("(none queued)")
                                                 : QStringLiteral("(expected %1)").arg(Queue.head().kind));
        return std::nullopt;
    }

    QString FileName(const QString& kind, const TFileDialogRequest& request)
    {
        TShown shown = Entry(kind, TMsgIcon::Information, request.title);
        shown.request = request;
        const auto answer = Take(shown);
        return answer ? answer->fileName : QString();
    }

    QQueue<TAnswer> Queue;
};

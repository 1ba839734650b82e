#pragma once

#include "FormUnitMain.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"

#include <QEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// Counts the paints of the widgets it watches (installEventFilter).
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

// A real main window on settings of its own (an INI file in a temporary folder,
// never the user's) and scripted prompts. Test classes derive from it, call
// InitFixture() in init() and CleanupFixture() in cleanup().
class TMainWindowFixture {
protected:
    void InitFixture()
    {
        Dir = std::make_unique<QTemporaryDir>();
        QVERIFY(Dir->isValid());
        Settings = std::make_unique<QSettings>(Dir->filePath("skelmar.ini"), QSettings::IniFormat);
        Prompts = std::make_unique<TScriptedPrompts>();
    }

    void CleanupFixture()
    {
        Form.reset();
        Settings.reset();
        Prompts.reset();
        Dir.reset();
    }

    // Stores settings before the window reads them, then creates the window.
    // The live output starts off unless `configure` switches it on, so tests
    // that make no sound need no sound server.
    void CreateForm(const std::function<void(TSettingsStore&)>& configure = {}, bool show = false)
    {
        {
            TSettingsStore store(*Settings);
            store.WriteSwitch({}, "LivePreview", false);
            if (configure)
                configure(store);
            store.Sync();
        }
        Form = std::make_unique<TFormMain>(*Settings, *Prompts, Dir->path() + "/");
        if (show) {
            Form->show();
            QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
        }
    }

    // An unsaved change: a step that lengthens the current frame's delay by 1 ms.
    void Modify()
    {
        QVERIFY(Form->Document().EditFrame(Form->CurrentFrameIndex(), QStringLiteral("Change frame delay"),
                                           [](TLaserFrame& frame) { ++frame.Delay; }, TShowChange::Timing));
        QVERIFY(Form->IsModified());
    }

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<QSettings> Settings;
    std::unique_ptr<TScriptedPrompts> Prompts;
    std::unique_ptr<TFormMain> Form;
};

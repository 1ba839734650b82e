#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>
#include <memory>

class QSettings;

// Reads and writes the program's settings through a QSettings handed in.
// The registry the settings were designed for matches value and key names without
// regard to letter case (the program reads "LastFile0" and writes "Lastfile0"), so
// every name here is matched that way, whatever the backend does. A value that is
// missing or cannot be read as the asked type gives the default.
class TSettingsStore {
public:
    explicit TSettingsStore(QSettings& settings);

    // `group`: QString() for the program's main key, "Colors" or "Panels".
    bool ReadSwitch(const QString& group, const QString& name, bool def) const;  // nonzero = on
    qint32 ReadInteger(const QString& group, const QString& name, qint32 def) const;
    QString ReadText(const QString& group, const QString& name, const QString& def) const;
    QByteArray ReadBytes(const QString& group, const QString& name) const;       // empty when missing

    // Each write replaces a value whose name differs only in letter case.
    void WriteSwitch(const QString& group, const QString& name, bool value);    // stored as 0 / 1
    void WriteInteger(const QString& group, const QString& name, qint32 value);
    void WriteText(const QString& group, const QString& name, const QString& value);
    void WriteBytes(const QString& group, const QString& name, const QByteArray& value);

    // Flushes the writes to permanent storage; false when that failed.
    bool Sync();

private:
    // The stored spellings of `group`, the exact one first; `group` itself when none is stored.
    QStringList StoredGroups(const QString& group) const;
    QString StoredKey(const QString& group, const QString& name) const; // empty when missing
    void Write(const QString& group, const QString& name, const QVariant& value);

    QSettings& Settings;
};

// Colours are stored as 0x00BBGGRR: red in the low byte. The high byte is ignored.
QColor ColorFromStored(qint32 bgr);
qint32 StoredFromColor(const QColor& color);

// The program's own store: per user, "Tolvic Software" / "Skelmar".
std::unique_ptr<QSettings> OpenProgramSettings();

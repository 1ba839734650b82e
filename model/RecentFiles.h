#pragma once

#include <QString>
#include <functional>

// The five items of the recent-files pop-up. Item N's caption is "&", the digit N
// and a blank, then the full path; a hidden item is an empty slot. The list is kept
// in the captions themselves, so a hidden item still writes its caption's file.
class TRecentFiles {
public:
    static constexpr int Count = 5;

    TRecentFiles(); // captions "&0 Logo.RZ4", "&1", "&2", "&3", "&4", all visible

    // Start-up: an item whose stored file exists shows it; any other item is hidden
    // and keeps its caption.
    void Load(const QString lastFiles[Count], const std::function<bool(const QString&)>& exists);
    // Puts `fileName` on top and shifts the others down, dropping the last. False
    // (and no change) when the name occurs anywhere in a caption, shown or hidden.
    bool Add(const QString& fileName);

    QString Caption(int n) const;  // empty for n outside 0..4
    bool Visible(int n) const;     // false for n outside 0..4
    QString FileAt(int n) const;   // the caption without its first three characters

private:
    static bool Valid(int n) { return n >= 0 && n < Count; }

    QString Captions[Count];
    bool Shown[Count];
};

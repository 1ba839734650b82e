#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QtGlobal>

class TSettingsStore;

// The on/off display options, with their defaults.
struct TDisplaySwitches {
    bool ShowPoints = true, ShowNumbers = true, ShowBackframe = true, ShowLinks = true,
         ShowRound = false, ShowGrid = true, SnapGrid = true, SnapHelp = false, ShowRuler = false,
         FlipX = false, FlipY = false, CloseLoop = true, RepeatPlay = true, LivePreview = true;

    friend bool operator==(const TDisplaySwitches&, const TDisplaySwitches&) = default;
};

// The display colours. In each pair, index 0 belongs to laser colour 0 and index 1 to colour 1.
struct TColorSettings {
    QColor Norm[2]{{255, 0, 0}, {0, 0, 255}};
    QColor Real[2]{{255, 128, 64}, {128, 128, 255}};
    QColor Back[2]{{128, 0, 0}, {0, 0, 160}};
    QColor Sel[2]{{0, 128, 0}, {0, 128, 0}};
    QColor Link[2]{{255, 255, 0}, {255, 255, 0}};
    QString Name[2]{QStringLiteral("&Red"), QStringLiteral("&Blue")};
    QColor ThumbText{0, 255, 0};
    QColor Background{0, 0, 0};
    QColor HelpLines{0, 255, 0};
    QColor Rotation{0, 255, 255};
    QColor TimelineLines{255, 0, 0};
    QColor TimelineAreas{128, 64, 64};
    QColor TimelineText{0, 255, 0};
    QColor TimelineBackground{0, 64, 0};

    friend bool operator==(const TColorSettings&, const TColorSettings&) = default;
};

// Everything the program keeps between runs, except the tool bar layout ("Panels"),
// which the main window saves itself.
struct TProgramSettings {
    QString OpenDir, SaveDir;           // default: the program's folder with a trailing separator
    TDisplaySwitches Switches;
    int Image = 0;                      // 0 none, 1 part, 2 full; Write skips any other value
    int Zoom = 2;                       // 1..8
    int Grid = 16;                      // any value
    int Circles = 3;                    // 1..8
    QRect Window{0, 0, 662, 579};
    QString LastFile[5];                // the recent-file entries as stored, 0 the newest
    TColorSettings Colors;
    quint16 Time5Degree = 30, Time10Degree = 55, Time40Degree = 66, TimeEdges = 30;

    // Reads the main key, then "Colors". `programDir` is the folder of the program
    // file; a separator is added when it has none.
    void Read(const TSettingsStore& store, const QString& programDir);
    // Writes the main key, then "Colors".
    void Write(TSettingsStore& store) const;

    friend bool operator==(const TProgramSettings&, const TProgramSettings&) = default;
};

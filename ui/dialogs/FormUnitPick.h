#pragma once

#include "LaserFrame.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

class QLabel;
class QMouseEvent;
class QScrollArea;
class QStatusBar;

// `img` of the pick dialog: a canvas exactly the size of the picture, so that a pointer
// position on it is a picture pixel.
class TPickImage : public QWidget {
    Q_OBJECT
public:
    explicit TPickImage(QWidget* parent = nullptr);

    // Shows `picture` and takes its size.
    void SetPicture(const QImage& picture);
    const QImage& Canvas() const { return FCanvas; }
    QImage& Canvas() { return FCanvas; }

signals:
    void mousePressed(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage FCanvas;
};

// "Pick part of image, then close window": the user marks the part of a frame's background
// image that "Display part of image" shows, left button for the upper left corner, right
// button for the lower right one.
class TFormPickImage : public QDialog {
    Q_OBJECT
public:
    explicit TFormPickImage(QWidget* parent = nullptr);

    // Shows a frame's picture with its part, modally, and gives the part as the window
    // left it, however it was closed.
    TImagePart Execute(const QImage& picture, const TImagePart& part);
    // The step before showing: the picture on `img` and all four corners from `part`.
    void Prepare(const QImage& picture, const TImagePart& part);
    // The picture with PickRect marked, once both corners are set (X1 >= 0 and X2 >= 0).
    void RedrawPickImage();

    TPickImage* img = nullptr;
    QScrollArea* scrollImage = nullptr;
    QStatusBar* sbStatus = nullptr;
    QLabel* stHint = nullptr;
    QImage PickBitmap;
    TImagePart PickRect{-1, 0, -1, 0};   // no corners yet

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void imgMouseDown(QMouseEvent* event);
    // A size that shows the whole picture where the screen allows, centred on the owner.
    void PlaceOverOwner();
};

// The dotted, inverting outline of the rectangle between the two corners (in any order);
// edges off the canvas are left out, so corners of any size are safe.
void DrawFocusRect(QImage& canvas, const TImagePart& corners);

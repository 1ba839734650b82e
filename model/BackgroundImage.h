#pragma once

#include <QImage>
#include <QString>

// Decodes the background image a frame names. Only a regular file is read: a pipe
// or a device named in a show would leave the reader waiting for ever. A null image
// when there is no such file or it holds no picture.
QImage LoadBackgroundImage(const QString& fileName);

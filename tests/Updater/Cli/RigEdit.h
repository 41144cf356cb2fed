#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <functional>

// Changes a rig file in place: edit(cameras) gets the rig's camera list and
// may change, add or drop cameras. Fails the running test when the file
// cannot be read or written.
void editRig(const QString& rigPath, const std::function<void(QJsonArray& cameras)>& edit);

// The camera of the list with that serial number (a copy); empty when none.
QJsonObject cameraOf(const QJsonArray& cameras, int serialNumber);
// Replaces the camera with the same serial number.
void replaceCamera(QJsonArray& cameras, const QJsonObject& camera);

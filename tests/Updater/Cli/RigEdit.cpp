#include "RigEdit.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

void editRig(const QString& rigPath, const std::function<void(QJsonArray& cameras)>& edit)
{
    QFile file(rigPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << rigPath.toStdString();
    QJsonObject rig = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray cameras = rig[QStringLiteral("cameras")].toArray();
    ASSERT_FALSE(cameras.isEmpty()) << rigPath.toStdString();
    edit(cameras);
    rig[QStringLiteral("cameras")] = cameras;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << rigPath.toStdString();
    const QByteArray text = QJsonDocument(rig).toJson();
    ASSERT_EQ(file.write(text), text.size());
}

QJsonObject cameraOf(const QJsonArray& cameras, int serialNumber)
{
    for (const QJsonValue& camera : cameras)
    {
        if (camera[QStringLiteral("serialNumber")].toInt() == serialNumber)
        {
            return camera.toObject();
        }
    }
    return {};
}

void replaceCamera(QJsonArray& cameras, const QJsonObject& camera)
{
    for (int index = 0; index < cameras.size(); ++index)
    {
        if (cameras.at(index)[QStringLiteral("serialNumber")] == camera[QStringLiteral("serialNumber")])
        {
            cameras[index] = camera;
        }
    }
}

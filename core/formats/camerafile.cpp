#include "camerafile.h"

#include "atomicfile.h"

#include <QDebug>
#include <QRegExp>
#include <QStringList>
#include <QXmlStreamWriter>

namespace {

QString fixed9(double value)
{
    return QString::number(value, 'f', 9);
}

// "C_" and camIdx's decimal digits; a minus sign is dropped with the other
// characters that are no letters or digits.
QString cameraElementName(int32_t camIdx, const QRegExp &separators)
{
    const QStringList pieces = QString::number(camIdx).split(separators, Qt::SkipEmptyParts);
    return "C_" + pieces.join("_");
}

// The focal length in pixels: focal over the pixel size, by way of the sensor
// width (nan for a camera of width 0).
double focusInPixels(const CameraRecord &camera)
{
    const double width = camera.width;
    return camera.focal / ((width * camera.pixelSize) / width);
}

void writeValue(QXmlStreamWriter &xml, const QString &element, const QString &value,
                const QString &name)
{
    xml.writeStartElement(element);
    xml.writeAttribute("value", value);
    xml.writeAttribute("name", name);
    xml.writeEndElement();
}

void writeCamera(QXmlStreamWriter &xml, const CameraRecord &camera, int position,
                 const QRegExp &separators)
{
    static const char *const distortionElements[] = {"k0", "k1", "k2", "k3", "p1", "p2"};
    const QString distortionName = "lens distortion correction par.";

    xml.writeStartElement(cameraElementName(camera.camIdx, separators));
    writeValue(xml, "CamIdx", QString::number(position), "camera idx");
    writeValue(xml, "width", QString::number(camera.width), "image width in pixels");
    writeValue(xml, "height", QString::number(camera.height), "image height in pixels");
    writeValue(xml, "x0", fixed9(camera.x0), "image principal point coordinate");
    writeValue(xml, "y0", fixed9(camera.y0), "image principals  point coordinate");
    writeValue(xml, "focus", fixed9(focusInPixels(camera)), "image focus length");
    writeValue(xml, "pixelsz", "1", "pixel size");
    for (int i = 0; i < 6; ++i)
        writeValue(xml, distortionElements[i], fixed9(camera.distortion[i]), distortionName);
    xml.writeEndElement();
}

} // namespace

bool writeCameraFile(QString path, const std::vector<CameraRecord> &cameraRecords)
{
    AtomicFile cameraFile(path.toLocal8Bit());
    QFile file;
    if (!cameraFile.open(file, QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug().noquote() << "Error: Cannot open file";
        return false;
    }

    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    const QRegExp separators("[^a-zA-Z0-9]+");
    for (size_t i = 0; i < cameraRecords.size(); ++i)
        writeCamera(xml, cameraRecords[i], int(i), separators);
    xml.writeEndDocument();
    return !xml.hasError() && cameraFile.commit(file);
}

#pragma once
// Reads a workbook back without our writer: unzip gives the parts, and the sheet, shared
// strings and styles are parsed as plain XML.

#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QVector>
#include <QXmlStreamReader>

namespace vemla::test {

struct XlsxStyle {
    QString horizontal; // "" when not set
    QString vertical;
    bool wrap = false;
    QString fill; // fgColor rgb of the fill, "" for none
    bool operator==(const XlsxStyle&) const = default;
};

struct XlsxCell {
    QString type;  // "" or "n" number, "s" shared string, "inlineStr"
    QString value; // the text for strings, the number's text otherwise
    int style = 0;
    bool IsText() const { return type == u"s" || type == u"inlineStr" || type == u"str"; }
    bool IsNumber() const { return type.isEmpty() || type == u"n"; }
};

class XlsxReader {
public:
    explicit XlsxReader(const QString& path) {
        ParseStrings(Part(path, "xl/sharedStrings.xml"));
        ParseStyles(Part(path, "xl/styles.xml"));
        ParseSheet(Part(path, "xl/worksheets/sheet1.xml"));
    }
    bool Has(const QString& ref) const { return cells.contains(ref); }
    XlsxCell Cell(const QString& ref) const { return cells.value(ref); }
    XlsxStyle Style(const QString& ref) const { return styles.value(cells.value(ref).style); }

    bool wellFormed = true;
    QMap<QString, XlsxCell> cells;
    QVector<XlsxStyle> styles;
    QStringList merges;
    QMap<int, double> widths; // by column number from 1
    QStringList strings;

private:
    static QByteArray Part(const QString& path, const char* name) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QString::fromUtf8(name)});
        unzip.waitForFinished(60000);
        return unzip.readAllStandardOutput();
    }
    void Check(const QXmlStreamReader& r) {
        if (r.hasError() && r.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            wellFormed = false;
    }

    void ParseStrings(const QByteArray& xml) {
        QXmlStreamReader r(xml);
        while (!r.atEnd()) {
            if (r.readNext() == QXmlStreamReader::StartElement && r.name() == u"si")
                strings << r.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        Check(r);
    }

    void ParseStyles(const QByteArray& xml) {
        QXmlStreamReader r(xml);
        QStringList fills;
        bool inXfs = false;
        while (!r.atEnd()) {
            r.readNext();
            const auto n = r.name();
            if (r.isEndElement() && n == u"cellXfs")
                inXfs = false;
            if (!r.isStartElement())
                continue;
            const auto a = r.attributes();
            if (n == u"fill")
                fills << QString();
            else if (n == u"fgColor" && !fills.isEmpty())
                fills.last() = a.value(QLatin1String("rgb")).toString();
            else if (n == u"cellXfs")
                inXfs = true;
            else if (n == u"xf" && inXfs)
                styles << XlsxStyle{
                    {}, {}, false, fills.value(a.value(QLatin1String("fillId")).toInt())};
            else if (n == u"alignment" && inXfs && !styles.isEmpty()) {
                styles.last().horizontal = a.value(QLatin1String("horizontal")).toString();
                styles.last().vertical = a.value(QLatin1String("vertical")).toString();
                styles.last().wrap = a.value(QLatin1String("wrapText")) == u"1";
            }
        }
        Check(r);
    }

    void ParseSheet(const QByteArray& xml) {
        QXmlStreamReader r(xml);
        XlsxCell* cell = nullptr;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement())
                continue;
            const auto n = r.name();
            const auto a = r.attributes();
            if (n == u"col") {
                for (int c = a.value(QLatin1String("min")).toInt();
                     c <= a.value(QLatin1String("max")).toInt(); ++c)
                    widths[c] = a.value(QLatin1String("width")).toDouble();
            } else if (n == u"c") {
                cell = &cells[a.value(QLatin1String("r")).toString()];
                *cell = {a.value(QLatin1String("t")).toString(),
                         {},
                         a.value(QLatin1String("s")).toInt()};
            } else if ((n == u"v" || n == u"t") && cell) {
                cell->value = r.readElementText();
                if (cell->type == u"s")
                    cell->value = strings.value(cell->value.toInt());
            } else if (n == u"mergeCell") {
                merges << a.value(QLatin1String("ref")).toString();
            }
        }
        Check(r);
    }
};

} // namespace vemla::test

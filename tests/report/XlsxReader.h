#pragma once
// Reads a workbook back without our writer: unzip gives the parts, and the sheet, shared
// strings and styles are parsed as plain XML.

#include "ReadBack.h"

#include <QMap>
#include <QXmlStreamReader>

namespace vemla::test {

// One part of the workbook as unzip gives it.
inline QByteArray Part(const QString& path, const char* part) {
    return Output(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QString(part)});
}

struct XlsxStyle {
    QString horizontal; // "" when not set
    QString vertical;
    bool wrap = false;
    QString fill;         // fgColor rgb of the fill, "" for none
    QString numberFormat; // the format code, "" for General
    bool operator==(const XlsxStyle&) const = default;
};

struct XlsxCell {
    QString type;  // "" or "n" number, "s" shared string, "inlineStr" or "str" text
    QString value; // the text for strings, the number's text otherwise
    int style = 0;
    bool formula = false; // the cell holds a formula (<f>)
    bool IsText() const { return type == u"s" || type == u"inlineStr" || type == u"str"; }
    bool IsNumber() const { return type.isEmpty() || type == u"n"; }
};

class XlsxReader {
public:
    explicit XlsxReader(const QString& path, const char* sheet = "xl/worksheets/sheet1.xml") {
        QStringList strings, fills;
        QMap<int, QString> formats; // numFmtId → formatCode
        bool inXfs = false; // only cellXfs hold cell styles; the later dxfs hold alignments too
        XlsxCell* cell = nullptr;
        // The strings first: the sheet refers to them. No element name is in two parts.
        for (const char* part : {"xl/sharedStrings.xml", "xl/styles.xml", sheet}) {
            QXmlStreamReader r(Part(path, part));
            while (!r.atEnd()) {
                if (r.readNext() != QXmlStreamReader::StartElement)
                    continue;
                const QStringView n = r.name(); // valid until the reader reads on
                const auto at = [a = r.attributes()](const char* name) {
                    return a.value(QLatin1String(name)).toString();
                };
                if (n == u"si")
                    strings << r.readElementText(QXmlStreamReader::IncludeChildElements);
                else if (n == u"fill")
                    fills << QString();
                else if (n == u"fgColor" && !fills.isEmpty())
                    fills.last() = at("rgb");
                else if (n == u"cellXfs" || n == u"cellStyles" || n == u"dxfs")
                    inXfs = n == u"cellXfs";
                else if (n == u"numFmt")
                    formats[at("numFmtId").toInt()] = at("formatCode");
                else if (n == u"xf" && inXfs)
                    m_styles << XlsxStyle{{},
                                          {},
                                          false,
                                          fills.value(at("fillId").toInt()),
                                          formats.value(at("numFmtId").toInt())};
                else if (n == u"alignment" && inXfs && !m_styles.isEmpty())
                    m_styles.last() = {at("horizontal"), at("vertical"), at("wrapText") == u"1",
                                       m_styles.last().fill, m_styles.last().numberFormat};
                else if (n == u"col")
                    for (int c = at("min").toInt(); c <= at("max").toInt(); ++c)
                        widths[c] = at("width").toDouble();
                else if (n == u"c")
                    *(cell = &m_cells[at("r")]) = {at("t"), {}, at("s").toInt()};
                else if (n == u"f" && cell)
                    cell->formula = true;
                else if ((n == u"v" || n == u"t") && cell)
                    cell->value = cell->type == u"s" ? strings.value(r.readElementText().toInt())
                                                     : r.readElementText();
                else if (n == u"mergeCell")
                    merges << at("ref");
            }
            // A part cut off reads as far as it goes; broken XML is not well formed.
            if (r.hasError() && r.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                wellFormed = false;
        }
    }
    bool Has(const QString& ref) const { return m_cells.contains(ref); }
    XlsxCell Cell(const QString& ref) const { return m_cells.value(ref); }
    XlsxStyle Style(const QString& ref) const { return m_styles.value(Cell(ref).style); }
    QStringList Refs() const { return m_cells.keys(); }

    bool wellFormed = true;
    QStringList merges;
    QMap<int, double> widths; // by column number from 1

private:
    QMap<QString, XlsxCell> m_cells;
    QList<XlsxStyle> m_styles;
};

} // namespace vemla::test

#pragma once

// Hand-made .xlsx, .ods and .docx packages for the readers' tests: the few parts each format
// needs, put into a zip by libzip, so a test states exactly the XML it is about.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <zip.h>

#include <utility>
#include <vector>

namespace tiku::testing::packages {

using Entries = std::vector<std::pair<QString, QByteArray>>;

// The zip archive of the entries, deflated.
inline QByteArray zipped(const Entries& entries) {
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("p.zip")).toLocal8Bit();
    int error = 0;
    zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (z == nullptr) {
        qFatal("zip_open failed");
    }
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        if (s == nullptr || zip_file_add(z, name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0) {
            qFatal("zip_file_add failed");
        }
    }
    if (zip_close(z) != 0) {
        qFatal("zip_close failed");
    }
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly)) {
        qFatal("cannot read the zip back");
    }
    return f.readAll();
}

// The bytes of the entry of that name.
inline QByteArray& entry(Entries& entries, const QString& name) {
    for (auto& e : entries) {
        if (e.first == name) {
            return e.second;
        }
    }
    qFatal("no such entry");
}

inline const QByteArray kXmlHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// An .xlsx of the sheets (name, <sheetData> content), with the shared strings (<si> items) and
// the styles part's content when given.
inline Entries xlsxEntries(const std::vector<std::pair<QString, QByteArray>>& sheets,
                           const QByteArray& sharedStrings = {}, const QByteArray& styles = {},
                           const QByteArray& workbookPr = {}) {
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    Entries e;
    e.push_back({"[Content_Types].xml",
                 kXmlHead + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                            "content-types\"/>"});
    e.push_back({"_rels/.rels",
                 kXmlHead +
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                     "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
                     rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    QByteArray book = kXmlHead + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\">" +
                      workbookPr + "<sheets>";
    QByteArray rels = kXmlHead + "<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                 "package/2006/relationships\">";
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(qulonglong(i + 1));
        book += "<sheet name=\"" + sheets[i].first.toUtf8() + "\" sheetId=\"" + n +
                "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel +
                "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        e.push_back({"xl/worksheets/sheet" + QString::number(i + 1) + ".xml",
                     kXmlHead + "<worksheet xmlns=\"" + main + "\"><sheetData>" + sheets[i].second +
                         "</sheetData></worksheet>"});
    }
    rels += "<Relationship Id=\"rS\" Type=\"" + rel +
            "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rT\" Type=\"" + rel +
            "/styles\" Target=\"/xl/styles.xml\"/></Relationships>";
    e.push_back({"xl/workbook.xml", book + "</sheets></workbook>"});
    e.push_back({"xl/_rels/workbook.xml.rels", rels});
    e.push_back({"xl/sharedStrings.xml",
                 kXmlHead + "<sst xmlns=\"" + main + "\">" + sharedStrings + "</sst>"});
    e.push_back({"xl/styles.xml",
                 kXmlHead + "<styleSheet xmlns=\"" + main + "\">" + styles + "</styleSheet>"});
    return e;
}

// An .ods with the automatic styles and the tables given (<table:table> elements).
inline Entries odsEntries(const QByteArray& styles, const QByteArray& tables) {
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
            {"content.xml",
             kXmlHead +
                 "<office:document-content "
                 "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                 "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                 "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                 "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                 "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
                 "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:"
                 "calcext:1.0\"><office:automatic-styles>" +
                 styles + "</office:automatic-styles><office:body><office:spreadsheet>" + tables +
                 "</office:spreadsheet></office:body></office:document-content>"}};
}

// A .docx of the body's paragraphs, with numbering and styles parts when given.
inline Entries docxEntries(const QByteArray& body, const QByteArray& numbering = {},
                           const QByteArray& styles = {}) {
    const QByteArray w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {
        {"[Content_Types].xml", kXmlHead + "<Types xmlns=\"http://schemas.openxmlformats.org/"
                                           "package/2006/content-types\"/>"},
        {"_rels/.rels", kXmlHead +
                            "<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                            "package/2006/relationships\"><Relationship Id=\"r1\" "
                            "Type=\"" +
                            rel +
                            "/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/_rels/document.xml.rels",
         kXmlHead +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
             "relationships\"><Relationship Id=\"r1\" Type=\"" +
             rel + "/numbering\" Target=\"numbering.xml\"/><Relationship Id=\"r2\" Type=\"" + rel +
             "/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"word/document.xml",
         kXmlHead + "<w:document " + w + "><w:body>" + body + "</w:body></w:document>"},
        {"word/numbering.xml", kXmlHead + "<w:numbering " + w + ">" + numbering + "</w:numbering>"},
        {"word/styles.xml", kXmlHead + "<w:styles " + w + ">" + styles + "</w:styles>"}};
}

} // namespace tiku::testing::packages

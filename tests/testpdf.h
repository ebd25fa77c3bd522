#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace TestPdf {

// A PDF with one page per entry, each showing its text in Helvetica; an empty
// entry is a page without text.
inline QByteArray makePdf(const QStringList& pages) {
    QList<QByteArray> objects;
    QByteArray kids;
    for (qsizetype i = 0; i < pages.size(); ++i)
        kids += QByteArray::number(4 + 2 * i) + " 0 R ";
    objects << "<< /Type /Catalog /Pages 2 0 R >>"
            << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) +
                   " >>"
            << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QByteArray content =
            pages[i].isEmpty() ? QByteArray()
                               : "BT /F1 12 Tf 72 720 Td (" + pages[i].toLatin1() + ") Tj ET";
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font "
                   "<< /F1 3 0 R >> >> /Contents " +
                       QByteArray::number(5 + 2 * i) + " 0 R >>"
                << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                       "\nendstream";
    }
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// A page tree that holds itself (/Kids [2 0 R] on object 2): Qt PDF spins on
// it for ever.
inline QByteArray makeLoopingPdf() {
    const QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                       "<< /Type /Pages /Kids [2 0 R] /Count 1 >>"};
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 3\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    return pdf + "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) +
           "\n%%EOF\n";
}

} // namespace TestPdf

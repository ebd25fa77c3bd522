#include "import/ui/loadfilter.h"

#include "localization/translation.h"
#include "widgets/dialogs.h"

QString LoadFilter::filter() {
    return Dialogs::nameFilters(
        translateText(QStringLiteral("Supported Files")) +
        QStringLiteral(" (*.pdf;*.txt)|*.pdf;*.txt|") +
        translateText(QStringLiteral("PDF File (*.pdf)")) + QStringLiteral("|*.pdf|") +
        translateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        translateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
}

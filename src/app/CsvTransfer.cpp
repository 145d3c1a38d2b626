// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CsvTransfer.h"

#include "app/CsvImport.h"
#include "app/SaveGuard.h"
#include "files/ChannelCsv.h"

#include <QFileInfo>

#include <utility>

namespace tonvar::app {

CsvTransfer::CsvTransfer(Document document, Choose choose) : document_(std::move(document)), choose_(std::move(choose))
{
}

void CsvTransfer::Import()
{
    document_.CommitEdit();
    const QString name = choose_(false);
    if (!name.isEmpty())
        Import(name);
}

void CsvTransfer::Import(const QString &name)
{
    document_.CommitEdit();
    bool imported = false;
    CsvImportResult result;
    document_.Change(QStringLiteral("Import CSV ") + QFileInfo(name).fileName(), [&] {
        // Into a copy first: a file that cannot be imported changes nothing.
        memory::ChannelTable t = document_.table;
        result = ImportCsvText(files::ReadCsvFile(name.toStdString()), t);
        document_.table = std::move(t);
        imported = true;
    });
    if (imported) {
        if (fileUsed)
            fileUsed(name);
        document_.tell(result.Report());
    }
}

void CsvTransfer::Export()
{
    document_.CommitEdit();
    const QString name = choose_(true);
    if (name.isEmpty())
        return;
    bool exported = false;
    document_.Change(QStringLiteral("Export CSV"), [&] {
        RefuseToReplaceAnotherKind(name.toStdString(), files::FileKind::ChannelCsv, "Export CSV");
        files::SaveCsvFile(document_.table, name.toStdString());
        exported = true;
    });
    if (exported && fileUsed)
        fileUsed(name);
}

} // namespace tonvar::app

#include "preview/ui/clipboard.h"

#include "shell/clipboard_text.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>

namespace qc::preview::ui {

namespace {

constexpr int kAttempts = 1000;

QString formatMimeType(int format) {
    return QStringLiteral("application/x-clipboard-format-%1").arg(format);
}

bool placeOnce(const QString& text, int format) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    if (format == 0) {
        clipboard->setText(text);
        const QMimeData* now = clipboard->mimeData();
        return now != nullptr && now->hasText() && now->text() == text;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(formatMimeType(format), text.toUtf8());
    clipboard->setMimeData(data.release()); // the clipboard owns it from here
    const QMimeData* now = clipboard->mimeData();
    return now != nullptr && now->hasFormat(formatMimeType(format));
}

} // namespace

void clearClipboard() {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr)
            continue;
        clipboard->clear();
        return;
    }
}

bool setClipboardText(const QString& text, int format) {
    for (int attempt = 0; attempt < kAttempts; ++attempt)
        if (placeOnce(text, format))
            return true;
    return false;
}

ClipboardCopy copyListViewToClipboard(const QAbstractItemView& view, UiPort& ui,
                                      const ClipboardPlacer& place) {
    const QAbstractItemModel* model = view.model();
    if (model == nullptr || model->rowCount() == 0)
        return ClipboardCopy::Nothing;
    const QString text = checkedRowsText(*model, ui);
    clearClipboard();
    if (text.isEmpty())
        return ClipboardCopy::Nothing;
    return place(text) ? ClipboardCopy::Taken : ClipboardCopy::Refused;
}

} // namespace qc::preview::ui

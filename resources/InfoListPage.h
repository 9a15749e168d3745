// The page of label and value rows: the module's and a type's statistics and the version texts.
// The rows come from the information texts through their sink; language lines and version fields
// are shaded so a translation's block stands out.
#pragma once

#include <memory>

#include "module/ResourceDirectory.h"
#include "resources/InfoTexts.h"
#include "resources/ResourcePage.h"

class QTableView;

namespace Ui {
class InfoListPage;
}

namespace tv {

class CResourceCatalog;
class CInfoRowsModel;

class CInfoListPage : public CResourcePage {
    Q_OBJECT
public:
    static constexpr uint32_t kLanguageShade = 0xC0C0C0;
    static constexpr uint32_t kVersionShade = 0xF0F0F0;

    explicit CInfoListPage(QWidget* parent = nullptr);
    ~CInfoListPage() override;

    void ShowModuleInfo(const CResourceCatalog& catalog);
    void ShowTypeInfo(const CResourceCatalog& catalog, const CResourceId& type);
    void ShowVersionInfo(const CResourceCatalog& catalog, const CResourceId& name);

    [[nodiscard]] QTableView* List() const noexcept;
    // "label\tvalue\n" per row, as tarnview-cli info prints them.
    [[nodiscard]] QString RowsText() const;

private:
    void FitColumns();

    std::unique_ptr<Ui::InfoListPage> m_ui;
    CInfoRowsModel* m_model = nullptr;
};

}  // namespace tv

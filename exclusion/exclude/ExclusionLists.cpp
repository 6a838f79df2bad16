#include "AddressList.h"
#include "CategoryList.h"
#include "Exclusion.h"

namespace vexa {

ExclusionLists::ExclusionLists()
    : addresses_(std::make_unique<AddressList>(std::string(), CodePage())),
      categories_(std::make_unique<CategoryList>(std::string(), CodePage())) {}

ExclusionLists::~ExclusionLists() = default;
ExclusionLists::ExclusionLists(ExclusionLists&&) noexcept = default;
ExclusionLists& ExclusionLists::operator=(ExclusionLists&&) noexcept = default;

void ExclusionLists::SetAddressList(std::string text) {
  if (text == addresses_->text()) return;
  addresses_ = std::make_unique<AddressList>(std::move(text), code_page());
}

void ExclusionLists::SetCategoryList(std::string text) {
  if (text == categories_->text()) return;
  categories_ = std::make_unique<CategoryList>(std::move(text), code_page());
}

void ExclusionLists::SetCodePage(const CodePage& page) {
  if (page.id() == code_page().id()) return;
  addresses_ = std::make_unique<AddressList>(addresses_->text(), page);
  categories_ = std::make_unique<CategoryList>(categories_->text(), page);
}

const CodePage& ExclusionLists::code_page() const { return addresses_->page(); }
const std::string& ExclusionLists::address_text() const { return addresses_->text(); }
const std::string& ExclusionLists::category_text() const { return categories_->text(); }
const std::string& ExclusionLists::category_error() const { return categories_->error(); }

}  // namespace vexa

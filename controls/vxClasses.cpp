#include "controls/vxClasses.h"

#include "platform/rtl/SysExceptions.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

namespace {

std::vector<TvxClass> GStreamingClasses;

std::unique_ptr<TvxObjectLinkController> GLinkController;
int GLinkControllerUses = 0;

int AnsiCompareText(const AnsiString& a, const AnsiString& b) {
  int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                         static_cast<int>(b.size()));
  return r == 0 ? CompareText(a, b) : r - CSTR_EQUAL;
}

AnsiString DescriptionOf(const AnsiString& text) {
  size_t bar = AnsiPos("|", text);
  return bar == std::string::npos ? text : text.substr(0, bar);
}

// Two parallel lists: source texts and their replacements at the same indexes.
struct TvxResourceStringTranslations {
  std::vector<AnsiString> Sources;
  std::vector<AnsiString> Replacements;
};

std::unique_ptr<TvxResourceStringTranslations> GTranslations;

}  // namespace

AnsiString vxGetResourceString(const AnsiString& text) {
  if (!GTranslations) return text;
  const auto& src = GTranslations->Sources;
  for (size_t i = 0; i < src.size(); ++i)
    if (CompareText(src[i], text) == 0) return GTranslations->Replacements[i];
  return text;
}

AnsiString vxLoadResourceString(unsigned id) {
  // Resources are UTF-16; loading them wide and converting keeps a translated table
  // independent of the code page windres assumed.
  const wchar_t* p = nullptr;
  int len = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&p), 0);
  WideString text = (len > 0 && p) ? WideString(p, static_cast<size_t>(len)) : WideString();
  return vxGetResourceString(WideToAnsi(text));
}

AnsiString vxFormatResourceString(unsigned id, const AnsiString& arg) {
  AnsiString fmt = vxLoadResourceString(id);
  AnsiString out;
  for (size_t i = 0; i < fmt.size();) {
    if (fmt[i] == '%' && i + 1 < fmt.size() && (fmt[i + 1] == 's' || fmt[i + 1] == '%')) {
      out += fmt[i + 1] == 's' ? arg : AnsiString("%");
      i += 2;
      continue;
    }
    size_t next = NextCharIndex(fmt, i);
    out.append(fmt, i, next - i);
    i = next;
  }
  return out;
}

void vxAddResourceStringTranslation(const AnsiString& source, const AnsiString& replacement) {
  if (!GTranslations) GTranslations = std::make_unique<TvxResourceStringTranslations>();
  GTranslations->Sources.push_back(source);
  GTranslations->Replacements.push_back(replacement);
}

void vxClearResourceStringTranslations() { GTranslations.reset(); }

bool vxHasResourceStringTranslations() { return GTranslations != nullptr; }

// --- Class references ------------------------------------------------------------------

void vxRegisterStreamingClass(TvxClass cls) {
  if (cls != nullptr && std::find(GStreamingClasses.begin(), GStreamingClasses.end(), cls) == GStreamingClasses.end())
    GStreamingClasses.push_back(cls);
}

TvxClass vxFindStreamingClass(const AnsiString& className) {
  for (TvxClass c : GStreamingClasses)
    if (SameText(c->ClassName, className)) return c;
  return nullptr;
}

// --- TvxComponent ----------------------------------------------------------------------

TvxComponent::~TvxComponent() {
  Destroying();  // idempotent: owners and listeners see the state from here on
  if (GLinkController) GLinkController->ObjectDestroyed(this);
}

TComponent* TvxComponent::FakeComponentLink(int index) const {
  return index >= 0 && index < 3 ? FFakeComponentLinks[index] : nullptr;
}

void TvxComponent::Loaded() {
  TComponent::Loaded();
  if (IsDesigning() && !IsDestroying() && Owner() != nullptr) {
    std::vector<TComponent*> links;
    GetFakeComponentLinks(links);
    for (size_t i = 0; i < 3; ++i) FFakeComponentLinks[i] = i < links.size() ? links[i] : nullptr;
  }
}

// --- TvxFreeNotificator ----------------------------------------------------------------

void TvxFreeNotificator::AddSender(TComponent* sender) {
  if (sender != nullptr) sender->FreeNotification(this);
}

void TvxFreeNotificator::RemoveSender(TComponent* sender) {
  if (sender != nullptr) sender->RemoveFreeNotification(this);
}

void TvxFreeNotificator::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && OnFreeNotification) OnFreeNotification(component);
}

// --- TvxRegisteredClasses --------------------------------------------------------------

TvxRegisteredClasses::TvxRegisteredClasses(bool registerForStreaming) : FRegisterForStreaming(registerForStreaming) {}

TvxRegisteredClasses::~TvxRegisteredClasses() { Clear(); }

void TvxRegisteredClasses::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
}

TvxClass TvxRegisteredClasses::Items(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].second;
}

AnsiString TvxRegisteredClasses::Texts(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].first;
}

AnsiString TvxRegisteredClasses::Descriptions(int index) const { return DescriptionOf(Texts(index)); }

int TvxRegisteredClasses::IndexOf(TvxClass cls) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].second == cls) return static_cast<int>(i);
  return -1;
}

TvxClass TvxRegisteredClasses::FindByClassName(const AnsiString& className) const {
  for (const auto& item : FItems)
    if (SameText(item.second->ClassName, className)) return item.second;
  return nullptr;
}

TvxClass TvxRegisteredClasses::FindByDescription(const AnsiString& description) const {
  for (const auto& item : FItems)
    if (AnsiCompareText(DescriptionOf(item.first), description) == 0) return item.second;
  return nullptr;
}

void TvxRegisteredClasses::Register(TvxClass cls, const AnsiString& text) {
  if (cls == nullptr || IndexOf(cls) >= 0) return;
  FItems.emplace_back(text, cls);
  if (FSorted) Sort();
  if (FRegisterForStreaming) vxRegisterStreamingClass(cls);
}

void TvxRegisteredClasses::Unregister(TvxClass cls) {
  int i = IndexOf(cls);
  if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TvxRegisteredClasses::Clear() { FItems.clear(); }

void TvxRegisteredClasses::SetSorted(bool value) {
  if (FSorted == value) return;
  FSorted = value;
  if (FSorted) Sort();
}

int TvxRegisteredClasses::CompareItems(int index1, int index2) const {
  return AnsiCompareText(Descriptions(index1), Descriptions(index2));
}

void TvxRegisteredClasses::Sort() {
  // CompareItems speaks in indexes of the current order: sort a permutation, then apply it.
  std::vector<int> order(FItems.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return CompareItems(a, b) < 0; });
  std::vector<std::pair<AnsiString, TvxClass>> sorted;
  sorted.reserve(FItems.size());
  for (int i : order) sorted.push_back(FItems[static_cast<size_t>(i)]);
  FItems.swap(sorted);
}

// --- Object links ----------------------------------------------------------------------

void TvxObjectLinkController::RemoveLink(TvxObjectLink* link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

void TvxObjectLinkController::ObjectDestroyed(TObject* object) {
  for (size_t i = FLinks.size(); i-- > 0;) {
    if (FLinks[i]->FObject == object) {
      FLinks[i]->FObject = nullptr;
      FLinks.erase(FLinks.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

TvxObjectLink* vxAddObjectLink(TObject* object) {
  if (!GLinkController) GLinkController = std::make_unique<TvxObjectLinkController>();
  ++GLinkControllerUses;
  auto link = std::make_unique<TvxObjectLink>(object);
  GLinkController->AddLink(link.get());
  return link.release();
}

void vxRemoveObjectLink(TvxObjectLink* link) {
  if (link == nullptr) return;
  // A link whose object died has already left the list.
  if (link->Object() != nullptr && GLinkController) GLinkController->RemoveLink(link);
  delete link;
  if (--GLinkControllerUses == 0) GLinkController.reset();
}

TvxObjectLinkController* vxObjectLinkController() { return GLinkController.get(); }

// --- Helpers ---------------------------------------------------------------------------

TPersistent* vxGetOwner(const TPersistent* persistent) {
  return persistent != nullptr ? persistent->GetOwner() : nullptr;
}

POINT vxPoint(int x, int y) { return POINT{x, y}; }

int vxMidPoint(int a, int b) {
  long long s = static_cast<long long>(a) + b;
  long long q = s / 2;
  if (s % 2 != 0 && s < 0) --q;  // C++ division truncates toward zero
  return static_cast<int>(q);
}

void InitializevxClasses() {}

void FinalizevxClasses() {
  GTranslations.reset();
  GStreamingClasses.clear();
}

#include "platform/rtl/Classes.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"

#include <algorithm>

[[noreturn]] static void ListIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", index));
}

void* TList::Get(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  FItems[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) ListIndexError(index);
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  FItems.erase(FItems.begin() + index);
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TList::Remove(const void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
  return i;
}

void TList::Exchange(int a, int b) {
  if (a < 0 || a >= Count()) ListIndexError(a);
  if (b < 0 || b >= Count()) ListIndexError(b);
  std::swap(FItems[static_cast<size_t>(a)], FItems[static_cast<size_t>(b)]);
}

void TList::Move(int from, int to) {
  void* item = Get(from);
  Delete(from);
  Insert(to, item);
}

void* TObjectQueue::Push(void* item) {
  FItems.push_back(item);
  return item;
}

void* TObjectQueue::Pop() {
  if (FItems.empty()) return nullptr;
  void* item = FItems.front();
  FItems.pop_front();
  return item;
}

void* TObjectQueue::Peek() const { return FItems.empty() ? nullptr : FItems.front(); }

TList& TThreadList::LockList() {
  FLock.Enter();
  return FList;
}

void TThreadList::UnlockList() { FLock.Leave(); }

void TThreadList::Add(void* item) {
  FLock.Enter();
  if (FList.IndexOf(item) < 0) FList.Add(item);
  FLock.Leave();
}

void TThreadList::Remove(void* item) {
  FLock.Enter();
  FList.Remove(item);
  FLock.Leave();
}

void TThreadList::Clear() {
  FLock.Enter();
  FList.Clear();
  FLock.Leave();
}

int TThreadList::Count() {
  FLock.Enter();
  int n = FList.Count();
  FLock.Leave();
  return n;
}

// --- TBasicStringList -----------------------------------------------------------------

template <typename S>
const S& TBasicStringList<S>::Get(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[static_cast<size_t>(index)].Str;
}

template <typename S>
void TBasicStringList<S>::Put(int index, const S& s) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  FItems[static_cast<size_t>(index)].Str = s;
  Changed();
}

template <typename S>
void* TBasicStringList<S>::GetObject(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[static_cast<size_t>(index)].Obj;
}

template <typename S>
void TBasicStringList<S>::PutObject(int index, void* obj) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  FItems[static_cast<size_t>(index)].Obj = obj;
}

template <typename S>
int TBasicStringList<S>::AddObject(const S& s, void* obj) {
  if (!FSorted) {
    FItems.push_back({s, obj});
    Changed();
    return Count() - 1;
  }
  int index;
  if (Find(s, index)) {
    if (FDuplicates == TDuplicates::dupIgnore) return index;
    if (FDuplicates == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
  }
  FItems.insert(FItems.begin() + index, Item{s, obj});
  Changed();
  return index;
}

template <typename S>
void TBasicStringList<S>::Insert(int index, const S& s, void* obj) {
  if (FSorted) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) ListIndexError(index);
  FItems.insert(FItems.begin() + index, Item{s, obj});
  Changed();
}

template <typename S>
void TBasicStringList<S>::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  FItems.erase(FItems.begin() + index);
  Changed();
}

template <typename S>
void TBasicStringList<S>::Clear() {
  FItems.clear();
  Changed();
}

template <typename S>
int TBasicStringList<S>::Compare(const S& a, const S& b) const {
  if (FCaseSensitive) return a < b ? -1 : (b < a ? 1 : 0);
  if constexpr (std::is_same_v<S, AnsiString>) {
    return CompareText(a, b);
  } else {
    WideString la = WideLowerCase(a), lb = WideLowerCase(b);
    return la < lb ? -1 : (lb < la ? 1 : 0);
  }
}

template <typename S>
int TBasicStringList<S>::IndexOf(const S& s) const {
  if (FSorted) {
    int index;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (Compare(FItems[static_cast<size_t>(i)].Str, s) == 0) return i;
  return -1;
}

template <typename S>
bool TBasicStringList<S>::Find(const S& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = Compare(FItems[static_cast<size_t>(mid)].Str, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != TDuplicates::dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

template <typename S>
void TBasicStringList<S>::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.Str, b.Str) < 0; });
  Changed();
}

template <typename S>
void TBasicStringList<S>::SetSorted(bool sorted) {
  if (sorted && !FSorted) Sort();
  FSorted = sorted;
}

template <typename S>
void TBasicStringList<S>::SetCaseSensitive(bool cs) {
  FCaseSensitive = cs;
  if (FSorted) Sort();
}

template <typename S>
void TBasicStringList<S>::AddStrings(const TBasicStringList& other) {
  for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
}

template <typename S>
void TBasicStringList<S>::Assign(const TBasicStringList& other) {
  if (&other == this) return;
  Clear();
  AddStrings(other);
}

template <typename S>
S TBasicStringList<S>::Names(int index) const {
  const S& s = Get(index);
  size_t p = s.find(typename S::value_type('='));
  return p == S::npos ? S() : s.substr(0, p);
}

template <typename S>
S TBasicStringList<S>::ValueFromIndex(int index) const {
  const S& s = Get(index);
  size_t p = s.find(typename S::value_type('='));
  return p == S::npos ? S() : s.substr(p + 1);
}

template <typename S>
int TBasicStringList<S>::IndexOfName(const S& name) const {
  for (int i = 0; i < Count(); ++i) {
    const S& s = FItems[static_cast<size_t>(i)].Str;
    size_t p = s.find(typename S::value_type('='));
    if (p != S::npos && Compare(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

template <typename S>
S TBasicStringList<S>::Values(const S& name) const {
  int i = IndexOfName(name);
  return i < 0 ? S() : ValueFromIndex(i);
}

template <typename S>
void TBasicStringList<S>::SetValue(const S& name, const S& value) {
  int i = IndexOfName(name);
  S line = name + typename S::value_type('=') + value;
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Add(line);
  } else {
    Put(i, line);
  }
}

template <typename S>
S TBasicStringList<S>::Text() const {
  S r;
  for (const auto& item : FItems) {
    r += item.Str;
    r += typename S::value_type('\r');
    r += typename S::value_type('\n');
  }
  return r;
}

template <typename S>
static std::vector<S> SplitLinesT(const S& text) {
  std::vector<S> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    auto c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<AnsiString> SplitLines(const AnsiString& text) { return SplitLinesT(text); }
std::vector<WideString> SplitLinesW(const WideString& text) { return SplitLinesT(text); }

std::vector<AnsiString> SplitCommaText(std::string_view text) {
  std::vector<AnsiString> items;
  auto blank = [&](size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    return c >= 1 && c <= ' ';
  };
  size_t p = 0, n = text.size();
  while (p < n && blank(p)) ++p;
  while (p < n && text[p] != '\0') {
    AnsiString item;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        size_t next = NextCharIndex(text, p);
        item.append(text.substr(p, next - p));
        p = next;
      }
    } else {
      size_t start = p;
      while (p < n && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',')
        p = NextCharIndex(text, p);
      item = AnsiString(text.substr(start, p - start));
    }
    items.push_back(item);
    while (p < n && blank(p)) ++p;
    if (p < n && text[p] == ',') {
      if (p + 1 == n) items.emplace_back();
      do {
        ++p;
      } while (p < n && blank(p));
    }
  }
  return items;
}

template <typename S>
void TBasicStringList<S>::SetText(const S& text) {
  Clear();
  for (auto& line : SplitLinesT(text)) Add(line);
}

template <typename S>
S TBasicStringList<S>::CommaText() const {
  S r;
  for (int i = 0; i < Count(); ++i) {
    const S& s = Get(i);
    if (i > 0) r += typename S::value_type(',');
    bool quote = s.empty() && Count() > 1;
    for (auto c : s)
      if (c == ' ' || c == ',' || c == '"') quote = true;
    if (quote) {
      r += typename S::value_type('"');
      for (auto c : s) {
        if (c == '"') r += c;
        r += c;
      }
      r += typename S::value_type('"');
    } else {
      r += s;
    }
  }
  return r;
}

template class TBasicStringList<AnsiString>;
template class TBasicStringList<WideString>;

// --- Files ------------------------------------------------------------------------------

WideString DecodeTextBytes(const std::string& bytes) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE) {
    WideString w((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < w.size(); ++i)
      w[i] = static_cast<wchar_t>(b(2 + 2 * i) | (b(3 + 2 * i) << 8));
    return w;
  }
  if (bytes.size() >= 2 && b(0) == 0xFE && b(1) == 0xFF) {
    WideString w((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < w.size(); ++i)
      w[i] = static_cast<wchar_t>((b(2 + 2 * i) << 8) | b(3 + 2 * i));
    return w;
  }
  if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
    return Utf8ToWide(std::string_view(bytes).substr(3));
  return AnsiToWide(bytes);
}

void TStringList::LoadFromFileW(const WideString& fileName) {
  SetText(ReadAllBytes(fileName));
}

void TStringList::LoadFromFile(const AnsiString& fileName) { LoadFromFileW(AnsiToWide(fileName)); }

void TStringList::SaveToFileW(const WideString& fileName) const {
  WriteAllBytes(fileName, Text());
}

void TStringList::SaveToFile(const AnsiString& fileName) const {
  SaveToFileW(AnsiToWide(fileName));
}

void TWideStringList::LoadFromFile(const WideString& fileName) {
  SetText(DecodeTextBytes(ReadAllBytes(fileName)));
}

void TWideStringList::SaveToFile(const WideString& fileName) const {
  WideString text = Text();
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  WriteAllBytes(fileName, bytes);
}

// --- THashedStringList -----------------------------------------------------------------

AnsiString THashedStringList::Key(const AnsiString& s) const {
  return CaseSensitive() ? s : AnsiLowerCase(s);
}

void THashedStringList::Rebuild() const {
  FIndex.clear();
  FNameIndex.clear();
  for (int i = 0; i < Count(); ++i) {
    const AnsiString& s = Get(i);
    FIndex.emplace(Key(s), i);  // emplace keeps the first occurrence
    size_t p = s.find('=');
    if (p != AnsiString::npos) FNameIndex.emplace(Key(s.substr(0, p)), i);
  }
  FValid = true;
}

int THashedStringList::AddObject(const AnsiString& s, void* obj) {
  int i = TStringList::AddObject(s, obj);
  FValid = false;
  return i;
}

void THashedStringList::Delete(int index) {
  TStringList::Delete(index);
  FValid = false;
}

void THashedStringList::Clear() {
  TStringList::Clear();
  FValid = false;
}

int THashedStringList::IndexOf(const AnsiString& s) const {
  if (!FValid) Rebuild();
  auto it = FIndex.find(Key(s));
  return it == FIndex.end() ? -1 : it->second;
}

int THashedStringList::IndexOfName(const AnsiString& name) const {
  if (!FValid) Rebuild();
  auto it = FNameIndex.find(Key(name));
  return it == FNameIndex.end() ? -1 : it->second;
}

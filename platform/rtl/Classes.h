// Lists and queues of the runtime layer: a pointer list, an object queue, a locked list,
// and string lists (ANSI, UTF-16, hashed). None of them owns the objects it points to.
#pragma once

#include "platform/rtl/SysStrings.h"
#include "platform/rtl/Threads.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// Untyped pointer list; raises EListError on an index out of range.
class TList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  void* Get(int index) const;
  void Put(int index, void* item);
  void* operator[](int index) const { return Get(index); }
  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  int IndexOf(const void* item) const;
  int Remove(const void* item);  // index it had, or -1
  void Clear() { FItems.clear(); }
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }
  void Exchange(int a, int b);
  void Move(int from, int to);

private:
  std::vector<void*> FItems;
};

// First in, first out queue of object pointers; it does not own them.
class TObjectQueue {
public:
  virtual ~TObjectQueue() = default;
  int Count() const { return static_cast<int>(FItems.size()); }
  bool AtLeast(int count) const { return Count() >= count; }
  virtual void* Push(void* item);  // returns item
  virtual void* Pop();             // oldest item, or nullptr when empty
  virtual void* Peek() const;      // oldest item, or nullptr when empty

private:
  std::deque<void*> FItems;
};

// A pointer list behind a lock: LockList returns the list with the lock held until UnlockList.
class TThreadList {
public:
  TList& LockList();
  void UnlockList();
  void Add(void* item);
  void Remove(void* item);
  void Clear();
  int Count();

private:
  TCriticalSection FLock;
  TList FList;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings with an optional object pointer each, in the style of the class library:
// IndexOf and Find compare case-insensitively (ASCII, double-byte aware) unless CaseSensitive.
template <typename S>
class TBasicStringList {
public:
  using StringType = S;
  virtual ~TBasicStringList() = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  const S& Get(int index) const;
  const S& operator[](int index) const { return Get(index); }
  void Put(int index, const S& s);
  void* GetObject(int index) const;
  void PutObject(int index, void* obj);

  virtual int Add(const S& s) { return AddObject(s, nullptr); }
  virtual int AddObject(const S& s, void* obj);
  void Insert(int index, const S& s, void* obj = nullptr);
  virtual void Delete(int index);
  virtual void Clear();
  virtual int IndexOf(const S& s) const;
  void AddStrings(const TBasicStringList& other);
  void Assign(const TBasicStringList& other);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool sorted);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool cs);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates d) { FDuplicates = d; }
  // Binary search in a sorted list; index is where s is or would go.
  bool Find(const S& s, int& index) const;
  void Sort();

  // name=value access.
  S Names(int index) const;
  S ValueFromIndex(int index) const;
  S Values(const S& name) const;
  void SetValue(const S& name, const S& value);  // an empty value removes the entry
  virtual int IndexOfName(const S& name) const;

  // All lines joined by CR LF (each followed by one); setting splits at CR LF, LF or CR.
  S Text() const;
  void SetText(const S& text);
  // Items joined by ',' (items holding blanks or commas are quoted).
  S CommaText() const;

protected:
  int Compare(const S& a, const S& b) const;
  virtual void Changed() {}

private:
  struct Item {
    S Str;
    void* Obj;
  };
  std::vector<Item> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

// ANSI (code page 932) strings; files are read and written as ANSI text with CR LF.
class TStringList : public TBasicStringList<AnsiString> {
public:
  void LoadFromFile(const AnsiString& fileName);
  void LoadFromFileW(const WideString& fileName);
  void SaveToFile(const AnsiString& fileName) const;
  void SaveToFileW(const WideString& fileName) const;
};

// UTF-16 strings. Files: a UTF-16LE/BE byte-order mark selects UTF-16, an UTF-8 mark UTF-8,
// otherwise ANSI. SaveToFile writes UTF-16LE with its byte-order mark and CR LF line ends.
class TWideStringList : public TBasicStringList<WideString> {
public:
  void LoadFromFile(const WideString& fileName);
  void SaveToFile(const WideString& fileName) const;
};
using TTntStringList = TWideStringList;

// A TStringList whose IndexOf and IndexOfName use hash tables (rebuilt lazily after changes).
class THashedStringList : public TStringList {
public:
  int AddObject(const AnsiString& s, void* obj) override;
  void Delete(int index) override;
  void Clear() override;
  int IndexOf(const AnsiString& s) const override;
  int IndexOfName(const AnsiString& name) const override;

protected:
  void Changed() override { FValid = false; }

private:
  void Rebuild() const;
  AnsiString Key(const AnsiString& s) const;
  mutable bool FValid = false;
  mutable std::unordered_map<AnsiString, int> FIndex;
  mutable std::unordered_map<AnsiString, int> FNameIndex;
};

// The class library's comma text: items separated by commas or blanks (bytes up to ' '),
// a double quote starts a quoted item in which two double quotes stand for one, a comma at
// the very end adds an empty item, and a NUL byte ends the text. Double-byte aware.
std::vector<AnsiString> SplitCommaText(std::string_view text);

// Splits text into lines at CR LF, LF or CR (a last line without a line end counts).
std::vector<AnsiString> SplitLines(const AnsiString& text);
std::vector<WideString> SplitLinesW(const WideString& text);
// Decodes a text file's bytes by its byte-order mark (UTF-16LE/BE, UTF-8), else ANSI.
WideString DecodeTextBytes(const std::string& bytes);

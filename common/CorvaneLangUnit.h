// The product's message texts in the user's language, read from the web front end's
// language files: "lang.php" (Japanese, "ja") and "lang_en.php" (English, "en") in the
// "lib" folder under the web document root. The files are UTF-8 scripts of quoted
// key/value pairs; values come out in the ANSI code page.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>

// The texts of one language file.
class TCorvaneLangItem {
public:
  // Loads the file; a file that does not exist gives an empty item. An invalid UTF-8 lead
  // byte in a value raises EUtf8TSjisException.
  explicit TCorvaneLangItem(const AnsiString& fileName);
  TCorvaneLangItem(const TCorvaneLangItem&) = delete;
  TCorvaneLangItem& operator=(const TCorvaneLangItem&) = delete;

  // The text of key, found without regard to case. Raises ECorvaneUserException for an
  // unknown key and for a key written in another case than the file's.
  void Text(const AnsiString& key, AnsiString& text) const;
  int Count() const { return static_cast<int>(FValues.size()); }
  // Every line of the file as the line scanner returned it, each followed by CR LF.
  const AnsiString& ScannedText() const { return FScannedText; }

private:
  void Load(const std::string& bytes);

  struct TEntry {
    AnsiString Key;    // as the file wrote it (the last line with that key)
    AnsiString Value;  // ANSI, or the no-value marker
  };
  std::unordered_map<AnsiString, TEntry> FValues;  // by lower-case key
  AnsiString FScannedText;
  // Stored for keys given without a value; a fresh GUID cannot collide with a real text.
  AnsiString FNoValue;
};

// The language table: one item per language file found. A lazily created singleton in the
// program; tests build their own with a folder and a configured language.
class TCorvaneLang {
public:
  // The singleton over TCorvaneIni's webdocroot and lang (no lock; freed by
  // FinalizeCorvaneLangUnit).
  static TCorvaneLang& Instance();

  // webDocRoot: the folder whose "lib" subfolder holds the files. configuredLang gives the
  // configured language when it is first needed.
  TCorvaneLang(const AnsiString& webDocRoot, std::function<AnsiString()> configuredLang);
  TCorvaneLang(const TCorvaneLang&) = delete;
  TCorvaneLang& operator=(const TCorvaneLang&) = delete;

  // The stored language code; on the first call the configured one, replaced by "ja"
  // unless it is exactly "en" or "ja".
  void GetLang(AnsiString& code);
  // The item of OnGetLang's code when it is assigned, else of GetLang; none when no file of
  // that language was loaded.
  TCorvaneLangItem* CurrentItem();
  // The current item's text of key; empty when there is no current item.
  void Text(const AnsiString& key, AnsiString& text);
  TCorvaneLangItem* Item(const AnsiString& code) const;

  // When assigned, supplies the language code instead of the configuration.
  std::function<void(AnsiString& code)> OnGetLang;

private:
  std::map<AnsiString, std::unique_ptr<TCorvaneLangItem>> FItems;
  std::function<AnsiString()> FConfiguredLang;
  AnsiString FLang;
};

// Frees the singleton.
void FinalizeCorvaneLangUnit();

// Identifiers of the editor family's message texts.
//
// The texts themselves live in the program's string table (vxEditConsts.rc), so that a
// translation can replace them without touching code. Load one with vxLoadResourceString
// (vxClasses.h), which reads the resource and passes it through the translation lookup on
// every call; nothing is cached. Texts holding "%s" take one string argument
// (vxFormatResourceString).
#pragma once

enum TvxEditConstId : unsigned {
  // Mask regular-expression compiler.
  scxRegExprHexNumberExpected = 65072,     // "Hexadecimal number expected but '%s' found"
  scxRegExprMissing = 65073,               // "Missing '%s'"
  scxRegExprUnnecessary = 65074,           // "Unnecessary '%s'"
  scxRegExprSpaceAfterBackslash = 65075,   // "The space character is not allowed after '\'"
  scxRegExprNotCompiled = 65076,           // "Regular expression is not compiled"
  scxRegExprIncorrectParameterQuantifier = 65077,
  scxRegExprCantUseParameterQuantifier = 65078,
  scxMaskEditRegExprError = 65079,         // "Regular expression errors:"
  scxMaskEditInvalidEditValue = 65080,     // "The edit value is invalid"
  scxSEditRepositoryTextItem = 65088,      // "TextEdit|..."
  scxRegExprLine = 65089,                  // "Line"
  scxRegExprChar = 65090,                  // "Char"
  scxRegExprNotAssignedSourceStream = 65091,
  scxRegExprEmptySourceStream = 65092,
  scxRegExprCantUsePlusQuantifier = 65093,
  scxRegExprCantUseStarQuantifier = 65094,
  scxRegExprCantCreateEmptyAlt = 65095,
  scxRegExprCantCreateEmptyBlock = 65096,
  scxRegExprIllegalSymbol = 65097,         // "Illegal '%s'"
  scxRegExprIllegalQuantifier = 65098,     // "Illegal quantifier '%s'"
  scxRegExprIllegalIntegerValue = 65099,
  scxRegExprTooBigReferenceNumber = 65100,
  scxRegExprCantCreateEmptyEnum = 65101,
  scxRegExprSubrangeOrder = 65102,
  scxRegExprHexNumberExpected0 = 65103,    // "Hexadecimal number expected"
  // Date-text recognition words (see also 65127..65135).
  scxDateSaturday = 65104,
  scxDateFirst = 65105,
  scxDateSecond = 65106,
  scxDateThird = 65107,
  scxDateFourth = 65108,
  scxDateFifth = 65109,
  scxDateSixth = 65110,
  scxDateSeventh = 65111,
  scxDateBOM = 65112,
  scxDateEOM = 65113,
  scxDateNow = 65114,
  scxCalcError = 65115,                    // "Error", the calculator display on error
  scxSEditRepositoryCalcEditItem = 65116,  // "CalcEdit|..."
  scxSEditRepositoryComboBoxItem = 65117,  // "ComboBox|..."
  scxSEditRepositoryMaskItem = 65118,      // "MaskEdit|..."
  scxSEditRepositoryPopupEditItem = 65119, // "PopupEdit|..."
  scxEditRepositoryItemNotAcceptable = 65122,
  scxEditNumericValueConvertError = 65123,
  scxEditPopupCircularReferencingError = 65124,
  scxEditValidateErrorText = 65125,
  scxEditValueOutOfBounds = 65126,
  scxDateToday = 65127,
  scxDateYesterday = 65128,
  scxDateTomorrow = 65129,
  scxDateSunday = 65130,
  scxDateMonday = 65131,
  scxDateTuesday = 65132,
  scxDateWednesday = 65133,
  scxDateThursday = 65134,
  scxDateFriday = 65135,
};

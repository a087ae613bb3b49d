#pragma once
// The record layouts of the chain's file `acq_var.txt`: fixed positions,
// columns counted from 1, lengths in bytes. Every stage reads its fields
// through these names, and the tests write lines through them.

namespace rec {

struct Field {
    const char* name;
    int pos;  // first column, from 1
    int len;
};

// Fields common to every line.
inline constexpr Field kind{"record kind", 11, 3};
inline constexpr Field year{"year", 20, 4};
inline constexpr Field month{"month", 24, 2};
inline constexpr Field day{"day", 26, 2};
inline constexpr Field dateYmd{"date", 20, 8};

// Classification tables ("TAB").
namespace tab {
inline constexpr Field table{"table number", 47, 4};       // "0127"
inline constexpr Field code{"code", 51, 6};                // subgroup or group
inline constexpr Field departmentCode{"department code", 51, 3};
inline constexpr Field description{"description", 63, 20};
inline constexpr Field tableKind{"table kind", 93, 2};     // "01" "02" "03"
inline constexpr Field parent{"parent code", 95, 3};
}  // namespace tab

// Article records: the article code of "MDA", "MHA", "MHE", "MHN".
inline constexpr Field articleCode{"article code", 47, 7};

namespace mda {
inline constexpr Field description{"description", 54, 30};
inline constexpr Field umart{"sales unit", 88, 2};
inline constexpr Field umconf{"packaging unit", 90, 2};
inline constexpr Field pezzatura{"piece size", 92, 4};
inline constexpr Field subgroup{"subgroup code", 100, 6};
inline constexpr Field tipart{"article type", 112, 1};
inline constexpr Field vat{"VAT code", 189, 2};
inline constexpr Field imbart{"pieces per package", 263, 4};
}  // namespace mda

namespace mha {
inline constexpr Field ean{"EAN", 60, 13};
}

namespace mhe {
inline constexpr Field price{"selling price", 54, 12};
inline constexpr Field unused{"price extra", 66, 8};
}  // namespace mhe

namespace mhn {
inline constexpr Field cost{"cost price", 68, 12};
}

// Supplier document lines ("BLE").
namespace ble {
inline constexpr Field lineClass{"line class", 47, 2};
inline constexpr Field lineType{"line type", 53, 1};
inline constexpr Field headerType{"header type", 54, 1};
inline constexpr Field number{"document number", 57, 7};
inline constexpr Field chainCode{"chain code", 76, 7};
inline constexpr Field description{"description", 83, 30};
inline constexpr Field umart{"unit", 113, 2};
inline constexpr Field unita2{"second unit", 115, 2};
inline constexpr Field quaco{"content quantity", 117, 4};
inline constexpr Field imbart{"packaging", 128, 4};
inline constexpr Field exclusion{"exclusion mark", 133, 2};
inline constexpr Field vat{"VAT code", 135, 2};
inline constexpr Field subfamily{"subfamily code", 140, 6};
inline constexpr Field ean{"EAN", 152, 13};
inline constexpr Field packages{"packages", 166, 5};
inline constexpr Field quantity{"quantity", 171, 9};
inline constexpr Field cost{"unit cost", 180, 14};
inline constexpr Field price{"selling price", 194, 10};
}  // namespace ble

// Promotions.
namespace oft {
inline constexpr Field number{"promotion number", 47, 5};
inline constexpr Field description{"promotion description", 52, 30};
inline constexpr Field start{"start date", 86, 8};
inline constexpr Field end{"end date", 98, 8};
}  // namespace oft

namespace ofd {
inline constexpr Field number{"promotion number", 48, 5};
inline constexpr Field offerKind{"offer kind", 53, 2};
inline constexpr Field chainCode{"chain article code", 55, 7};
inline constexpr Field value{"value", 139, 12};
}  // namespace ofd

// A "G" mark in column 47 carries a replacement value.
namespace gval {
inline constexpr Field mark{"G mark", 47, 1};
inline constexpr Field value{"G value", 108, 9};
}  // namespace gval

}  // namespace rec

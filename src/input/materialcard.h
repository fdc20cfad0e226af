// Internal state of the material card reader (materialcard.cpp, materialtables.cpp): the table
// sizes of its sizing pass, the values of the material block being read, and the settings that
// carry over from one material block to the next.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cards.h"
#include "core/modeldata.h"

namespace tvk::material_card {

inline constexpr const char* reader = "getmaterialdatafromfile";

// The resin calibration tables that take one temperature row per "+Calibration" line with "T=".
enum Calibration : int { secant, normal, shear, plasticity, alpha1, alpha2, alpha3, ncalibration };

struct CalibrationTable {
    std::string_view word;             // option word, searched in any letter case
    int fields;                        // values per data row
    Table<double, 3> MaterialData::*table;
    int MaterialData::*rows;           // the table's row count
};

inline constexpr std::array<CalibrationTable, ncalibration> calibration_tables = {{
    {"TYPE=Secant", 2, &MaterialData::secantprops, &MaterialData::nsecantdata},
    {"TYPE=Normal", 2, &MaterialData::normalprops, &MaterialData::nnormaldata},
    {"TYPE=Shear", 2, &MaterialData::shearprops, &MaterialData::nsheardata},
    {"TYPE=Plasticity", columns::flowprops::fields, &MaterialData::flowprops, &MaterialData::nflowdata},
    {"TYPE=Alpha1", 2, &MaterialData::alpha1props, &MaterialData::nalpha1data},
    {"TYPE=Alpha2", 2, &MaterialData::alpha2props, &MaterialData::nalpha2data},
    {"TYPE=Alpha3", 2, &MaterialData::alpha3props, &MaterialData::nalpha3data},
}};

// The eight cure and thermal blocks, by their column of cuprops (1-based column = index + 1, the
// columns of columns::cuprops).
inline constexpr int ncure = columns::cuprops::columns;

// Largest block of each sized keyword over the material blocks of the file, with its floor.
struct Sizes {
    int elastic = columns::peprops::nye, strength = columns::psprops::count, hygrothermal = 1, fracture = 1,
        properties = 1, regularization = 1, rate = columns::cuprops::min_rows, master = 1, equivalent = 1;
    std::array<int, ncalibration> calibration{1, 1, 1, 1, 1, 1, 1};
};

// Temperature rows x values of one calibration type of a material, zero where no block wrote.
struct RowBuffer {
    int rows = 0, cols = 0;
    int top = 0;                 // highest row written
    std::vector<double> v;       // row-major: row r, value c at (r - 1) * cols + c - 1
    std::vector<char> written;   // row r written at written[r - 1]: by order 1, by its own T= 2
    bool created() const { return cols > 0; }
    double value(int r, int c) const { return c <= cols ? v[static_cast<std::size_t>((r - 1) * cols + c - 1)] : 0.0; }
    // As a new buffer, keeping the memory of the values.
    void clear() {
        rows = cols = top = 0;
        v.clear();
        written.clear();
    }
};

// The values of one data block of a material, or none (as std::optional<std::vector<T>>); the
// memory stays when they are cleared, so that the blocks of a card reuse it.
template <class T>
class Values {
  public:
    explicit operator bool() const { return set_; }
    bool has_value() const { return set_; }
    const std::vector<T>& operator*() const { return v_; }
    const std::vector<T>* operator->() const { return &v_; }
    void reset() {
        set_ = false;
        v_.clear();
    }
    // The data block at the position; none when it could not be read (reported).
    void read(cards::Cursor& c) { set_ = cards::read_data(c, v_); }

  private:
    std::vector<T> v_;
    bool set_ = false;
};

// The values of the material block being read; cleared after its closer.
struct Block {
    std::optional<int> modelid;
    Values<double> elastic, strength, hygrothermal, fracture, degradation, properties;
    Values<int> initiation, evolution;
    std::array<Values<double>, ncure> cure;
    std::array<RowBuffer, ncalibration> calibration;
    Values<double> equivalent;
    int counter = 1;  // temperature row counter of the calibration lines
    Values<double> temperatures;  // the material's own temperature list (its last one)
    // Calibration lines whose T= is not on the axis: type, row by order, T (reported at the closer).
    struct OffAxis {
        Calibration kind;
        int row;
        double t;
    };
    std::vector<OffAxis> off_axis;
    std::optional<std::string> unread;  // the first option of a "+Calibration" line passed over

    // As a new block, keeping the memory of the values.
    void clear() {
        modelid.reset();
        for (Values<double>* v : {&elastic, &strength, &hygrothermal, &fracture, &degradation, &properties, &equivalent})
            v->reset();
        initiation.reset();
        evolution.reset();
        for (Values<double>& v : cure) v.reset();
        for (RowBuffer& r : calibration) r.clear();
        counter = 1;
        temperatures.reset();
        off_axis.clear();
        unread.reset();
    }
};

// Everything one call of the reader shares between its passes.
struct State {
    cards::Cursor* cur = nullptr;  // the card's records
    // (id, sec, ply) of every slot that holds a material, in this order, made at the first
    // closer (matidlist is only read); and the slots of the block being closed.
    std::vector<std::array<int, 3>> slot_index;
    bool indexed = false;
    std::vector<std::pair<int, int>> slots;
    int nplies = 0, nsec = 0;     // the arguments, never below 0
    Sizes sizes;
    int ntemp = 1;                // temperatures of the tables (the merged list, at least 1)
    int nrows = 1;                // rows of the calibration buffers (grows with longer lists)
    std::optional<std::vector<double>> factors;  // temperature factor table in force
    bool thermal_flag = false;    // a material gave its own temperature list
    int last_elastic = 0, last_strength = 0;     // counts of the last such blocks read
    bool warned = false;
    std::vector<int> given;       // ids of the material blocks closed, sorted after the value pass
    std::string option_buf;       // an option text with its blanks around "=" removed

    // Records the out-of-table warning once per reader call.
    void outside();
};

// A "+Temperature" head: its first 12 characters are compared, so longer heads count as well.
inline bool temperature_head(std::string_view head) { return cards::same_text(head.substr(0, 12), "+Temperature"); }

// The temperature lists of the material blocks merged into one axis, keyword record by keyword
// record: a part of the sizing pass whose reports are held back until the sizing pass is over
// (as when it was a pass of its own after it).
class TemperatureMerge {
  public:
    // A keyword record (its head, cut to the keyword width); at a temperature head inside a block
    // the list at the position is read, its reports held.
    void keyword(cards::Cursor& c, std::string_view head, cards::HeldReports& held);
    // The merged axis (temperatures, ntempdata) and the row counts of the calibration tables.
    void finish(State& s);

  private:
    std::vector<double> axis_;
    std::optional<std::vector<double>> list_;
    bool inside_ = false;
};
// "Warning: <keyword> of material <id>" ("of a material without id" when it has none): the
// beginning of the reports that name a block of a material.
std::string material_warning(std::string_view keyword, std::optional<int> id);
// The cure blocks and calibration tables of a closed material block; `slots` are its (ply, sec).
// A calibration type the material gives leaves a warning where it has no row at one of the
// material's own temperatures.
void copy_temperature_tables(State& s, Block& b, const std::vector<std::pair<int, int>>& slots,
                             std::optional<int> id);
// Stores the data block of a "+Calibration" line with "T=" (its option text) as the row of that
// temperature on the merged axis; a temperature that is not on the axis leaves a warning and the
// row goes by the material's count of such lines, unless a line placed by its own T= holds that
// row (the placed row is kept, whichever line stands first).
void calibration_row(State& s, Block& b, Calibration kind, std::string_view option, std::optional<int> id,
                     std::vector<double>&& values);
// The factor F(t, j) (1-based) when thermal mode is on for the closing block, else nullptr.
const std::vector<double>* thermal_factors(const State& s);

}  // namespace tvk::material_card

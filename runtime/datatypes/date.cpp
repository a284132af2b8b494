#include "runtime/datatypes/date.h"

#include <cmath>
#include <string>
#include <string_view>

#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/time.h"
#include "runtime/names/symbol.h"

namespace zel::date {

using date_word::Fields;

namespace {

double seconds_of(const Cell& c) { return float_payload(c); }

// Moves whole days between the day number and the seconds so that the local time falls
// into the day; answers the new day number.
i64 normalize(i64 day, double& seconds, u32 zone) {
    const double offset = date_word::zone_seconds(zone);
    const double days = std::floor((seconds + offset) / 86400);
    day += static_cast<i64>(days);
    seconds -= days * 86400;
    if (seconds + offset < 0) {
        seconds += 86400;
        --day;
    } else if (seconds + offset >= 86400) {
        seconds -= 86400;
        ++day;
    }
    return day;
}

}  // namespace

i64 to_unix_seconds(const Cell& value) {
    return (date_word::day_number(value.w1) - date_word::unix_epoch_day) * 86400 +
           static_cast<i64>(std::floor(seconds_of(value) + 0.5));
}

namespace {

Cell make_cell(u32 word, double seconds) {
    Cell c{header_of(Type::date), word, 0, 0};
    set_float_payload(c, seconds);
    return c;
}

// Far more seconds than the days of every representable year hold.
constexpr double seconds_limit = 1e15;

// Whether a day's year fits the 15 bits of the packed word.
bool representable(i64 day) {
    return day >= date_word::day_number(date_word::min_year, 1, 1) && day <= date_word::day_number(date_word::max_year, 12, 31);
}

// The cell for day number `day` and UTC seconds, normalised, with the zone and time flag
// of the word `like`; a day beyond the years a date holds raises script/type-limit.
Cell at_day(u32 like, i64 day, double seconds) {
    // Seconds beyond any representable day (or not finite) are refused before they are
    // counted in days.
    const bool counted = std::isfinite(seconds) && std::fabs(seconds) < seconds_limit;
    if (counted) day = normalize(day, seconds, like & date_word::zone_mask);
    if (!counted || !representable(day)) {
        const Cell type = datatype::of(Type::date);
        raise(ErrorId::script_type_limit, &type);
    }
    return make_cell(date_word::repack(like, day), (like & date_word::time_flag) ? seconds : 0.0);
}

// The local time of day; a date without a time stands at its local midnight.
double local_seconds(const Cell& value) {
    return value.w1 & date_word::time_flag ? seconds_of(value) + date_word::zone_seconds(value.w1) : 0.0;
}

Cell time_cell(double seconds) { return float_::cell(seconds, Type::time); }

// The date with its time set from local seconds (the time flag set).
Cell with_local_time(const Cell& value, double local) {
    const u32 word = value.w1 | date_word::time_flag;
    return at_day(word, date_word::day_number(word), local - date_word::zone_seconds(word));
}

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::date);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

}  // namespace

Cell* difference(Cell* value1, const Cell* value2) {
    const double days = static_cast<double>(date_word::day_number(value1->w1) - date_word::day_number(value2->w1));
    *value1 = time_cell(days * 86400 + seconds_of(*value1) - seconds_of(*value2));
    return value1;
}

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    if (op != ArithOp::add && op != ArithOp::subtract) {
        const Cell type = datatype::of(Type::date);
        raise(ErrorId::script_invalid_type, &type);
    }
    const i64 day = date_word::day_number(value1->w1);
    switch (value2->type()) {
    case Type::integer: {
        const i64 n = integer::get(*value2);
        *value1 = at_day(value1->w1, op == ArithOp::add ? day + n : day - n, seconds_of(*value1));
        return value1;
    }
    case Type::time: {
        // Seconds moved on the local clock; the date gains a time if it had none.
        const double t = float_payload(*value2);
        *value1 = with_local_time(*value1, local_seconds(*value1) + (op == ArithOp::add ? t : -t));
        return value1;
    }
    case Type::date: {
        if (op == ArithOp::add) {
            const Cell call = calling_word();
            const Cell type = datatype::of(Type::date);
            raise(ErrorId::script_not_related, &call, &type);
        }
        double seconds = seconds_of(*value1) - seconds_of(*value2);
        const i64 days = normalize(day - date_word::day_number(value2->w1), seconds, value1->w1 & date_word::zone_mask);
        *value1 = integer::cell(static_cast<i32>(days));
        return value1;
    }
    default: {
        const Cell type = datatype::of(value2->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    }
}

namespace {

// ---- make and to ---------------------------------------------------------------------

// The values of a date spec block: the day, month and year; then a time, or hours,
// minutes and seconds; then a zone, as a time or as hours and minutes.
struct BlockSpec {
    i64 first = 0, month = 0, third = 0;
    i64 hour = 0, minute = 0;
    double second = 0;
    bool has_time = false;
    bool time_given = false;  // the time came as one time! value, held in `time`
    double time = 0;
    i64 zone_hours = 0, zone_minutes = 0;
    bool zone_negative = false;
};

// The kinds of value a spec holds, and the reader's states: each (state, kind) leads to
// the next state and names the slot that takes the value; states 5, 7, 11 and 13 take
// nothing more.
enum Kind : u32 { k_integer, k_time, k_float, kind_count };
enum Slot : u8 { s_none, s_first, s_month, s_third, s_hour, s_time, s_zone_hours, s_zone_time, s_zone_minutes, s_minute, s_second };
struct Step {
    u8 next;
    Slot slot;
};
constexpr Step no_step{0, s_none};
constexpr Step steps[14][kind_count] = {
    /* 0 */ {{1, s_first}, no_step, no_step},
    /* 1 */ {{2, s_month}, no_step, no_step},
    /* 2 */ {{3, s_third}, no_step, no_step},
    /* 3 */ {{8, s_hour}, {4, s_time}, no_step},
    /* 4 */ {{6, s_zone_hours}, {5, s_zone_time}, no_step},
    /* 5 */ {no_step, no_step, no_step},
    /* 6 */ {{7, s_zone_minutes}, no_step, no_step},
    /* 7 */ {no_step, no_step, no_step},
    /* 8 */ {{9, s_minute}, no_step, no_step},
    /* 9 */ {{10, s_second}, no_step, {10, s_second}},
    /* 10 */ {{12, s_zone_hours}, {11, s_zone_time}, no_step},
    /* 11 */ {no_step, no_step, no_step},
    /* 12 */ {{13, s_zone_minutes}, no_step, no_step},
    /* 13 */ {no_step, no_step, no_step},
};

// A zone given as a time!: its hours and minutes, the sign kept apart.
void set_zone_time(BlockSpec& s, double seconds) {
    const i64 minutes = static_cast<i64>(std::trunc(std::fmod(seconds, 16 * 3600.0) / 60));
    s.zone_negative = minutes < 0;
    s.zone_hours = (minutes < 0 ? -minutes : minutes) / 60;
    s.zone_minutes = (minutes < 0 ? -minutes : minutes) % 60;
}

BlockSpec read_block(const Cell& spec) {
    const auto [values, count] = components::values_of(spec);
    BlockSpec s;
    u32 state = 0;
    for (u32 i = 0; i < count; ++i) {
        const Cell& v = values[i];
        const u32 kind = v.is(Type::integer) ? k_integer : v.is(Type::time) ? k_time : v.is(Type::float_) ? k_float : kind_count;
        if (kind == kind_count || steps[state][kind].slot == s_none) bad_to_arg(spec);
        if (kind == k_time && !std::isfinite(float_payload(v))) bad_to_arg(spec);
        const i64 n = kind == k_integer ? integer::get(v) : 0;
        switch (steps[state][kind].slot) {
        case s_first: s.first = n; break;
        case s_month: s.month = n; break;
        case s_third: s.third = n; break;
        case s_hour: s.hour = n; break;
        case s_minute: s.minute = n; break;
        case s_second: s.second = kind == k_integer ? static_cast<double>(n) : float_::get(v); break;
        case s_time:
            s.time = float_payload(v);
            s.time_given = true;
            break;
        case s_zone_hours:
            s.zone_negative = n < 0;
            s.zone_hours = n < 0 ? -n : n;
            break;
        case s_zone_minutes: s.zone_minutes = n; break;
        case s_zone_time: set_zone_time(s, float_payload(v)); break;
        case s_none: break;
        }
        state = steps[state][kind].next;
    }
    if (state < 3) bad_to_arg(spec);
    s.has_time = state > 3;
    return s;
}

// `make` checks every field against the calendar and the clock; `to` rolls them over.
Cell from_block(const Cell& spec, bool validate) {
    BlockSpec s = read_block(spec);
    if (s.first > 99 && s.third < s.first) std::swap(s.first, s.third);
    const i64 year = s.third, day = s.first;
    // Months beyond 12 or below 1 roll into the years.
    const i64 year_moved = year + date_word::floor_div(s.month - 1, 12);
    const u32 month = static_cast<u32>(date_word::floor_mod(s.month - 1, 12) + 1);

    const i64 zone_magnitude = s.zone_hours * 60 + s.zone_minutes;
    const i64 zone_minutes = s.zone_negative ? -zone_magnitude : zone_magnitude;
    if (zone_minutes < INT32_MIN || zone_minutes > INT32_MAX) bad_to_arg(spec);
    const u32 zone = date_word::zone_bits(static_cast<i32>(zone_minutes));
    const double local = !s.has_time     ? 0.0
                         : s.time_given ? s.time
                                         : static_cast<double>(s.hour * 3600 + s.minute * 60) + s.second;
    const i64 d = date_word::day_number(year_moved, month, day);
    // A day on either side of the range still reaches it once the time and zone move it.
    if (!representable(d - 1) || !representable(d + 1)) bad_to_arg(spec);
    if (validate) {
        const Fields f = date_word::from_day_number(d);
        if (f.year != year || static_cast<i64>(f.month) != s.month || static_cast<i64>(f.day) != day) bad_to_arg(spec);
        if (s.time_given) {
            if (local < 0 || local >= 86400) bad_to_arg(spec);
        } else if (s.hour < 0 || s.hour > 23 || s.minute < 0 || s.minute > 59 || s.second < 0 || s.second >= 60) {
            bad_to_arg(spec);
        }
    }
    const u32 like = date_word::pack({}, zone, s.has_time);
    return at_day(like, d, local - date_word::zone_seconds(zone));
}

Cell from_unix_seconds(i64 n) {
    const u32 like = date_word::pack({}, 0, true);
    return at_day(like, date_word::unix_epoch_day, static_cast<double>(n));
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    switch (spec->type()) {
    case Type::date:
        *prototype = *spec;
        return prototype;
    case Type::integer:
        *prototype = from_unix_seconds(integer::get(*spec));
        return prototype;
    case Type::block:
    case Type::paren:
    case Type::hash:
        *prototype = from_block(*spec, false);
        return prototype;
    default:
        bad_to_arg(*spec);
    }
}

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (spec->is(Type::block) || spec->is(Type::paren) || spec->is(Type::hash)) {
        *prototype = from_block(*spec, true);
        return prototype;
    }
    return to(prototype, spec, target);
}

// ---- text ----------------------------------------------------------------------------

constexpr const char* month_names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void append_two_digits(std::string& text, u32 n) {
    text += static_cast<char>('0' + n / 10 % 10);
    text += static_cast<char>('0' + n % 10);
}

// The day, month name and year, with "/" between them for a negative year.
std::string day_text(u32 word) {
    const i32 year = date_word::year_of(word);
    const char separator = year < 0 ? '/' : '-';
    std::string text = std::string(integer::to_decimal_text(static_cast<i32>(date_word::day_of(word))).view());
    text += separator;
    text += month_names[(date_word::month_of(word) + 11) % 12];
    text += separator;
    if (year < 0) text += '-';
    const i32 magnitude = year < 0 ? -year : year;
    const integer::DecimalText digits = integer::to_decimal_text(magnitude);
    if (magnitude <= 99) text.append(4 - digits.view().size(), '0');
    text += digits.view();
    return text;
}

// "+hh:mm" or "-hh:mm", nothing for zone 0.
std::string zone_text(u32 word) {
    const u32 zone = word & date_word::zone_mask;
    if (zone == 0) return {};
    std::string text(1, zone & date_word::zone_sign ? '-' : '+');
    append_two_digits(text, zone >> 2 & 0xF);
    text += ':';
    append_two_digits(text, (zone & 3) * 15);
    return text;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    u32 word = value->w1;
    double local = local_seconds(*value);
    // A time that the text rounds up to midnight is shown as the next day's, so that the
    // text reads back.
    if ((word & date_word::time_flag) && time::shown_seconds(local) >= 86400) {
        const i64 next = date_word::day_number(word) + 1;
        if (representable(next)) {
            word = date_word::repack(word, next);
            local = 0;
        }
    }
    limit = append_text(out, day_text(word), limit);
    if (!(word & date_word::time_flag)) return limit;
    limit = append_text(out, "/", limit);
    limit -= time::form_seconds(local, out);
    return append_text(out, zone_text(word), limit);
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

// ---- comparison ----------------------------------------------------------------------

// Dates compare as instants: the same moment written in two zones is equal.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::date)) return not_comparable;
    if (code == compare_code::same) {
        return value1->w1 == value2->w1 && value1->w2 == value2->w2 && value1->w3 == value2->w3 ? 0 : 1;
    }
    const double days = static_cast<double>(date_word::day_number(value1->w1) - date_word::day_number(value2->w1));
    const double a = days * 86400 + seconds_of(*value1);
    const double b = seconds_of(*value2);
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::find:
        return float_::almost_equal_q(a, b) ? 0 : 1;
    case compare_code::strict_equal:
        return a == b ? 0 : 1;
    default:
        return a < b ? -1 : a > b ? 1 : 0;
    }
}

// ---- fields --------------------------------------------------------------------------

enum Field : i32 {
    f_date = 1, f_year, f_month, f_day, f_zone, f_time, f_hour, f_minute, f_second,
    f_weekday, f_yearday, f_timezone, f_week, f_isoweek
};

constexpr std::pair<std::string_view, Field> field_names[] = {
    {"date", f_date},       {"year", f_year},         {"month", f_month},      {"day", f_day},
    {"zone", f_zone},       {"time", f_time},         {"hour", f_hour},        {"minute", f_minute},
    {"second", f_second},   {"weekday", f_weekday},   {"yearday", f_yearday},  {"julian", f_yearday},
    {"timezone", f_timezone}, {"week", f_week},       {"isoweek", f_isoweek},
};

// The field a word names, any case, or 0.
i32 field_named(const Cell& word) {
    const std::string_view name = symbol::name(word.w2);
    for (const auto& [text, field] : field_names) {
        if (text.size() != name.size()) continue;
        u32 i = 0;
        while (i < name.size() && (name[i] | 0x20) == text[i]) ++i;
        if (i == name.size()) return field;
    }
    return 0;
}

i32 week_of(u32 word) {
    const i64 jan1 = date_word::year_start(date_word::year_of(word));
    const i64 e = date_word::floor_mod(jan1 + 3, 7);
    const i64 yd = date_word::day_number(word) - jan1 + 1;
    return yd <= 7 - e ? 1 : static_cast<i32>((yd + e - 1) / 7 + 1);
}

i32 isoweek_of(u32 word) {
    const i64 d = date_word::day_number(word);
    const i32 year = date_word::year_of(word);
    const i64 start = date_word::iso_week_start(year);
    if (d < start) return static_cast<i32>((d - date_word::iso_week_start(year - 1)) / 7 + 1);
    if (d >= date_word::iso_week_start(year + 1)) return 1;
    return static_cast<i32>((d - start) / 7 + 1);
}

Cell get_field(const Cell& value, i32 field) {
    const u32 word = value.w1;
    const i64 d = date_word::day_number(word);
    const bool has_time = (word & date_word::time_flag) != 0;
    const double local = local_seconds(value);
    switch (field) {
    case f_date:
        return make_cell(word & ~(date_word::time_flag | date_word::zone_mask), 0.0);
    case f_year:
        return integer::cell(date_word::year_of(word));
    case f_month:
        return integer::cell(static_cast<i32>(date_word::month_of(word)));
    case f_day:
        return integer::cell(static_cast<i32>(date_word::day_of(word)));
    case f_zone:
    case f_timezone:
        return has_time ? time_cell(date_word::zone_seconds(word)) : none_cell;
    case f_time:
        return has_time ? time_cell(local) : none_cell;
    case f_hour:
        return integer::cell(static_cast<i32>(std::floor(local / 3600)));
    case f_minute:
        return integer::cell(static_cast<i32>(std::floor(std::fmod(local, 3600) / 60)));
    case f_second:
        return float_::cell(std::fmod(local, 60));
    case f_weekday:
        return integer::cell(static_cast<i32>(date_word::weekday(d)));
    case f_yearday:
        return integer::cell(static_cast<i32>(d - date_word::year_start(date_word::year_of(word)) + 1));
    case f_week:
        return integer::cell(week_of(word));
    default:
        return integer::cell(isoweek_of(word));
    }
}

// The zone bits of an integer of hours or of a time! of hours and minutes, taken modulo
// 16 hours with their sign kept; minutes within a quarter hour are dropped.
u32 zone_of(const Cell& v) {
    if (v.is(Type::integer)) return date_word::zone_bits(integer::get(v) % 16 * 60);
    if (!v.is(Type::time)) raise(ErrorId::script_invalid_arg, &v);
    const double minutes = std::trunc(std::fmod(float_payload(v), 16 * 3600.0) / 60);
    if (!std::isfinite(minutes)) raise(ErrorId::script_invalid_arg, &v);
    return date_word::zone_bits(static_cast<i32>(minutes));
}

Cell set_field(const Cell& value, i32 field, const Cell& v) {
    const u32 word = value.w1;
    const i64 d = date_word::day_number(word);
    const double seconds = seconds_of(value);
    const bool integer_field = field != f_date && field != f_zone && field != f_time && field != f_second &&
                               field != f_timezone;
    if (integer_field && !v.is(Type::integer)) raise(ErrorId::script_invalid_arg, &v);
    const i64 n = integer_field ? integer::get(v) : 0;
    const i32 year = date_word::year_of(word);
    switch (field) {
    case f_date: {
        if (!v.is(Type::date)) raise(ErrorId::script_invalid_arg, &v);
        const u32 flags = (v.w1 & date_word::time_flag) | (word & date_word::zone_mask);
        const u32 like = (v.w1 & ~(date_word::time_flag | date_word::zone_mask)) | flags;
        return at_day(like, date_word::day_number(like), seconds);
    }
    case f_year:
        return at_day(word, date_word::day_number(n, date_word::month_of(word), date_word::day_of(word)), seconds);
    case f_month: {
        const i64 y = year + date_word::floor_div(n - 1, 12);
        const u32 m = static_cast<u32>(date_word::floor_mod(n - 1, 12) + 1);
        return at_day(word, date_word::day_number(y, m, date_word::day_of(word)), seconds);
    }
    case f_day:
        return at_day(word, date_word::day_number(year, date_word::month_of(word), n), seconds);
    case f_zone:
    case f_timezone: {
        const u32 zone = zone_of(v);
        const u32 new_word = (word & ~date_word::zone_mask) | zone | date_word::time_flag;
        if (field == f_zone) {
            // The local clock time stays; the instant moves.
            return at_day(new_word, d, local_seconds(value) - date_word::zone_seconds(zone));
        }
        return at_day(new_word, d, local_seconds(value) - date_word::zone_seconds(word));
    }
    case f_time:
        if (v.is(Type::none)) return make_cell(word & ~date_word::time_flag, 0.0);
        if (!v.is(Type::time)) raise(ErrorId::script_invalid_arg, &v);
        return with_local_time(value, float_payload(v));
    case f_hour:
    case f_minute:
    case f_second: {
        // A field of the local time of day replaced, the others kept.
        const double local = local_seconds(value);
        const double h = std::floor(local / 3600);
        const double m = std::floor(std::fmod(local, 3600) / 60);
        const double s = std::fmod(local, 60);
        if (field == f_second && !v.is(Type::integer) && !v.is(Type::float_)) raise(ErrorId::script_invalid_arg, &v);
        const double x = field == f_second ? (v.is(Type::integer) ? integer::get(v) : float_::get(v)) : static_cast<double>(n);
        const double changed = field == f_hour ? x * 3600 + m * 60 + s : field == f_minute ? h * 3600 + x * 60 + s : h * 3600 + m * 60 + x;
        return with_local_time(value, changed);
    }
    case f_weekday:
        return at_day(word, d - (date_word::weekday(d) - 1) + (n - 1), seconds);
    case f_yearday:
        return at_day(word, date_word::year_start(year) + n - 1, seconds);
    case f_week: {
        const i64 jan1 = date_word::year_start(year);
        if (n == 1) return at_day(word, jan1, seconds);
        // Week 2 starts on the first Sunday after 1 January.
        const i64 first_sunday = jan1 + 7 - date_word::floor_mod(jan1 + 3, 7);
        return at_day(word, first_sunday + 7 * (n - 2), seconds);
    }
    default:
        return at_day(word, date_word::iso_week_start(year) + 7 * (n - 1), seconds);
    }
}

i32 field_of_element(const Cell& element, const PathStep& step) {
    i32 field = 0;
    if (element.is(Type::integer)) field = integer::get(element);
    else if (element.is(Type::word)) field = field_named(element);
    if (field < 1 || field > f_isoweek) raise(ErrorId::script_invalid_path, step.path ? step.path : &none_cell, &element);
    return field;
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const i32 field = field_of_element(*element, step);
    *parent = value_to_set ? set_field(*parent, field, *value_to_set) : get_field(*parent, field);
    return parent;
}

Cell* pick(Cell* value, const Cell* index) {
    i32 field = 0;
    if (index->is(Type::integer)) field = integer::get(*index);
    else if (index->is(Type::word)) field = field_named(*index);
    if (field < 1 || field > f_isoweek) raise(ErrorId::script_out_of_range, index);
    *value = get_field(*value, field);
    return value;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w1 + static_cast<u32>(static_cast<i64>(seconds_of(*value))));
        *value = unset_cell;
        return value;
    }
    const i64 days = date_word::day_number(value->w1);
    if (days < 1 || days > INT32_MAX) raise(ErrorId::script_out_of_range, value);
    const i64 day = random::int_up_to(secure, static_cast<i32>(days)) - 1;
    u32 like = value->w1;
    double local = 0;
    if (like & date_word::time_flag) {
        like = (like & ~date_word::zone_mask) | (random::int31(secure) & date_word::zone_mask);
        local = std::floor(float_::random_up_to(1.0, secure) * 3600) * 24;
    }
    *value = at_day(like, day, local - date_word::zone_seconds(like));
    return value;
}

}  // namespace

Cell from_unix_time(i64 seconds, double fraction) {
    const u32 like = date_word::pack({}, 0, true);
    return at_day(like, date_word::unix_epoch_day, static_cast<double>(seconds) + fraction);
}
Cell from_parts(u32 word, double seconds) { return make_cell(word, seconds); }

Cell field(const Cell& value, i32 index) { return get_field(value, index); }

}  // namespace zel::date

namespace zel {

constinit const ActionRecord date_actions = [] {
    using namespace date;
    ActionRecord r;
    r.on_make = date::make;
    r.on_random = date::random;
    r.on_to = date::to;
    r.on_form = date::form;
    r.on_mold = date::mold;
    r.on_eval_path = date::eval_path;
    r.on_compare = date::compare;
    r.on_add = arithmetic_action<date::arithmetic, ArithOp::add>;
    r.on_subtract = arithmetic_action<date::arithmetic, ArithOp::subtract>;
    r.on_pick = date::pick;
    return r;
}();

}  // namespace zel

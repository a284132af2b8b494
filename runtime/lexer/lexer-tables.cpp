#include "runtime/lexer/lexer-tables.h"

#include <initializer_list>
#include <string_view>

namespace zel::lexer {

namespace {

using C = Class;

constexpr u32 entry(Class c, u32 flags = 0) { return static_cast<u32>(c) | flags; }

constexpr std::array<u32, 256> make_byte_classes() {
    std::array<u32, 256> t{};
    auto set = [&t](std::string_view bytes, Class c, u32 flags = 0) {
        for (char b : bytes) t[static_cast<u8>(b)] = entry(c, flags);
    };
    auto range = [&t](u32 first, u32 last, Class c, u32 flags = 0) {
        for (u32 b = first; b <= last; ++b) t[b] = entry(c, flags);
    };
    range(0x01, 0x1F, C::control);
    range(0x21, 0x7E, C::word);
    range(0x7F, 0xBF, C::continuation);
    range(0xC2, 0xEF, C::word, tokenflag::utf8_short);
    range(0xF0, 0xF7, C::word, tokenflag::utf8_long);
    range(0xF8, 0xFF, C::bad_byte);
    set("\xC0\xC1", C::bad_byte);
    set(std::string_view("\0", 1), C::end, tokenflag::nul);
    set("\t\r ", C::blank);
    set("\n", C::line_feed);
    range('1', '9', C::digit);
    set("0", C::zero);
    set("[", C::open_block);
    set("]", C::close_block);
    set("(", C::open_paren);
    set(")", C::close_paren);
    set("{", C::open_brace);
    set("}", C::close_brace);
    set("\"", C::quote);
    set("#", C::hash, tokenflag::hash);
    set("'", C::apostrophe, tokenflag::apostrophe);
    set(":", C::colon, tokenflag::colon);
    set("Xx", C::x);
    set("T", C::T);
    set("h", C::h);
    set("e", C::e, tokenflag::exponent);
    set("E", C::E, tokenflag::exponent);
    set("abcdf", C::hex_lower);
    set("ABCDF", C::hex_upper);
    set("/", C::slash);
    set("\\", C::backslash);
    set("<", C::less, tokenflag::less);
    set(">", C::greater, tokenflag::greater);
    set("=", C::equal);
    set("%", C::percent, tokenflag::percent);
    set(",", C::comma, tokenflag::comma);
    set(";", C::semicolon);
    set("@", C::at);
    set(".", C::dot, tokenflag::dot);
    set("$", C::dollar);
    set("+", C::plus, tokenflag::sign);
    set("-", C::minus, tokenflag::sign);
    set("^", C::caret, tokenflag::caret);
    return t;
}

// Each state's row: the state most bytes lead to, then the classes that lead elsewhere.
struct Exception {
    Class c;
    u8 next;
};

constexpr std::array<u8, state_count * class_count> make_transitions() {
    std::array<u8, state_count * class_count> t{};
    auto row = [&t](u8 state, u8 otherwise, std::initializer_list<Exception> exceptions) {
        for (u32 c = 0; c < class_count; ++c) t[state * class_count + c] = otherwise;
        for (Exception e : exceptions) t[state * class_count + static_cast<u32>(e.c)] = e.next;
    };
    row(S::between, S::word,
        {{C::blank, S::between}, {C::line_feed, S::between}, {C::digit, S::digits},
        {C::zero, S::digits}, {C::open_block, F::open_block}, {C::close_block, F::close_block},
        {C::open_paren, F::open_paren}, {C::close_paren, F::close_paren},
        {C::open_brace, F::open_brace}, {C::close_brace, F::invalid}, {C::quote, S::string},
        {C::hash, S::hash}, {C::apostrophe, S::prefix}, {C::colon, S::prefix},
        {C::E, S::word_or_hex}, {C::hex_upper, S::word_or_hex}, {C::slash, S::slash},
        {C::backslash, F::invalid}, {C::less, S::less}, {C::equal, S::equal},
        {C::percent, S::percent}, {C::comma, F::comma}, {C::semicolon, S::comment},
        {C::at, S::ref}, {C::dot, S::dot}, {C::dollar, S::money_dollar}, {C::plus, S::sign},
        {C::minus, S::sign}, {C::control, S::between}, {C::continuation, F::invalid},
        {C::bad_byte, F::invalid}, {C::end, F::end}});
    row(S::comment, S::comment,
        {{C::line_feed, F::comment}, {C::bad_byte, F::invalid}, {C::end, F::comment}});
    row(S::string, S::string,
        {{C::line_feed, F::invalid}, {C::quote, F::string}, {C::caret, S::string_caret},
        {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::string_caret, S::string,
        {{C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::braced, S::braced,
        {{C::open_brace, F::open_brace}, {C::close_brace, F::close_brace},
        {C::caret, S::braced_caret}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::braced_caret, S::braced,
        {{C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::percent, S::file,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, S::raw}, {C::close_brace, F::word}, {C::quote, S::quoted_file},
        {C::colon, S::percent_word}, {C::percent, S::percents}, {C::semicolon, F::word},
        {C::at, F::word}, {C::control, F::word}, {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::file, S::file,
        {{C::blank, F::file}, {C::line_feed, F::file}, {C::open_block, F::file},
        {C::close_block, F::file}, {C::open_paren, F::file}, {C::close_paren, F::file},
        {C::open_brace, F::file}, {C::close_brace, F::file}, {C::quote, F::invalid},
        {C::colon, F::file}, {C::semicolon, F::file}, {C::at, F::file},
        {C::bad_byte, F::invalid}, {C::end, F::file}});
    row(S::quoted_file, S::quoted_file,
        {{C::line_feed, F::invalid}, {C::quote, F::file}, {C::bad_byte, F::invalid},
        {C::end, F::invalid}});
    row(S::percents, S::file,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, S::raw}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::backslash, F::word}, {C::percent, S::percents}, {C::semicolon, F::word},
        {C::control, F::word}, {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::raw, S::raw,
        {{C::close_brace, S::raw_close}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::raw_close, S::raw,
        {{C::close_brace, S::raw_close}, {C::percent, S::raw_percents}, {C::bad_byte, F::invalid},
        {C::end, F::invalid}});
    row(S::raw_percents, F::invalid,
        {{C::blank, F::raw_string}, {C::line_feed, F::raw_string}, {C::open_block, F::raw_string},
        {C::close_block, F::raw_string}, {C::open_paren, F::raw_string},
        {C::close_paren, F::raw_string}, {C::open_brace, F::raw_string},
        {C::quote, F::raw_string}, {C::less, F::raw_string}, {C::percent, S::raw_percents},
        {C::semicolon, F::raw_string}, {C::control, F::raw_string}, {C::end, F::raw_string}});
    row(S::slash, S::refinement,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::word}, {C::colon, S::word_colon}, {C::slash, S::slashes},
        {C::comma, F::invalid}, {C::semicolon, F::word}, {C::at, F::word}, {C::control, F::word},
        {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::refinement, S::refinement,
        {{C::blank, F::refinement}, {C::line_feed, F::refinement}, {C::open_block, F::refinement},
        {C::close_block, F::refinement}, {C::open_paren, F::refinement},
        {C::close_paren, F::refinement}, {C::open_brace, F::refinement},
        {C::close_brace, F::refinement}, {C::quote, F::refinement}, {C::colon, F::invalid},
        {C::slash, F::refinement}, {C::comma, F::invalid}, {C::semicolon, F::refinement},
        {C::at, F::refinement}, {C::control, F::refinement}, {C::bad_byte, F::invalid},
        {C::end, F::refinement}});
    row(S::slashes, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::word}, {C::slash, S::slashes}, {C::percent, F::invalid},
        {C::comma, F::invalid}, {C::semicolon, F::word}, {C::at, F::word},
        {C::dollar, F::invalid}, {C::control, F::word}, {C::bad_byte, F::invalid},
        {C::end, F::word}});
    row(S::hash, S::issue,
        {{C::blank, F::invalid}, {C::line_feed, F::invalid}, {C::open_block, F::open_map},
        {C::close_block, F::invalid}, {C::open_paren, S::construct},
        {C::close_paren, F::invalid}, {C::open_brace, S::binary}, {C::close_brace, F::invalid},
        {C::quote, S::char_}, {C::colon, F::invalid}, {C::less, F::invalid},
        {C::greater, F::invalid}, {C::comma, F::invalid}, {C::semicolon, F::issue},
        {C::at, F::issue}, {C::control, F::issue}, {C::bad_byte, F::invalid}, {C::end, F::issue}});
    row(S::binary, F::invalid,
        {{C::blank, S::binary}, {C::line_feed, S::binary}, {C::digit, S::binary},
        {C::zero, S::binary}, {C::close_brace, F::binary}, {C::x, S::binary}, {C::T, S::binary},
        {C::h, S::binary}, {C::e, S::binary}, {C::E, S::binary}, {C::hex_lower, S::binary},
        {C::hex_upper, S::binary}, {C::slash, S::binary}, {C::equal, S::binary},
        {C::semicolon, S::binary_comment}, {C::plus, S::binary}, {C::word, S::binary}});
    row(S::binary_comment, S::binary_comment,
        {{C::line_feed, S::binary}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::char_, S::char_,
        {{C::quote, F::char_}, {C::caret, S::char_caret}, {C::bad_byte, F::invalid},
        {C::end, F::invalid}});
    row(S::char_caret, S::char_,
        {{C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::construct, S::construct,
        {{C::close_paren, F::construct}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::issue, S::issue,
        {{C::blank, F::issue}, {C::line_feed, F::issue}, {C::open_block, F::issue},
        {C::close_block, F::issue}, {C::open_paren, F::issue}, {C::close_paren, F::issue},
        {C::open_brace, F::issue}, {C::close_brace, F::issue}, {C::quote, F::issue},
        {C::colon, F::invalid}, {C::slash, F::invalid}, {C::semicolon, F::issue},
        {C::at, F::issue}, {C::control, F::issue}, {C::bad_byte, F::invalid}, {C::end, F::issue}});
    row(S::digits, F::integer,
        {{C::digit, S::digits}, {C::zero, S::digits}, {C::hash, S::hash},
        {C::apostrophe, S::digits}, {C::colon, S::time_colon}, {C::x, S::pair_x},
        {C::T, S::date}, {C::h, S::hex_h}, {C::e, S::exponent}, {C::E, S::exponent_or_hex},
        {C::hex_lower, F::invalid}, {C::hex_upper, S::hex_letters}, {C::slash, S::date},
        {C::backslash, F::invalid}, {C::greater, F::invalid}, {C::equal, F::invalid},
        {C::percent, F::percent}, {C::at, S::email}, {C::dot, S::float_point},
        {C::dollar, F::invalid}, {C::plus, F::invalid}, {C::minus, S::date},
        {C::caret, F::invalid}, {C::continuation, F::invalid}, {C::word, F::invalid},
        {C::bad_byte, F::invalid}});
    row(S::float_point, F::invalid,
        {{C::blank, F::float_}, {C::line_feed, F::float_}, {C::digit, S::float_fraction},
        {C::zero, S::float_fraction}, {C::open_block, F::float_}, {C::close_block, F::float_},
        {C::open_paren, F::float_}, {C::close_paren, F::float_}, {C::open_brace, F::float_},
        {C::close_brace, F::float_}, {C::quote, F::float_}, {C::hash, S::special_float},
        {C::apostrophe, S::float_fraction}, {C::x, S::pair_x}, {C::e, S::exponent},
        {C::E, S::exponent}, {C::slash, F::float_}, {C::less, F::float_},
        {C::percent, F::percent}, {C::comma, F::float_}, {C::semicolon, F::float_},
        {C::control, F::float_}, {C::end, F::float_}});
    row(S::float_fraction, F::float_,
        {{C::digit, S::float_fraction}, {C::zero, S::float_fraction}, {C::hash, F::invalid},
        {C::apostrophe, S::float_fraction}, {C::x, S::pair_x}, {C::T, F::invalid},
        {C::h, F::invalid}, {C::e, S::exponent}, {C::E, S::exponent}, {C::hex_lower, F::invalid},
        {C::hex_upper, F::invalid}, {C::backslash, F::invalid}, {C::greater, F::invalid},
        {C::equal, F::invalid}, {C::percent, F::percent}, {C::at, S::email}, {C::dot, S::tuple},
        {C::dollar, F::invalid}, {C::plus, F::invalid}, {C::minus, F::invalid},
        {C::caret, F::invalid}, {C::continuation, F::invalid}, {C::word, F::invalid},
        {C::bad_byte, F::invalid}});
    row(S::exponent, F::invalid,
        {{C::blank, F::float_}, {C::line_feed, F::float_}, {C::digit, S::exponent},
        {C::zero, S::exponent}, {C::open_block, F::float_}, {C::close_block, F::float_},
        {C::open_paren, F::float_}, {C::close_paren, F::float_}, {C::open_brace, F::float_},
        {C::close_brace, F::float_}, {C::quote, F::float_}, {C::colon, F::float_},
        {C::slash, F::float_}, {C::less, F::float_}, {C::comma, F::float_},
        {C::semicolon, F::float_}, {C::at, S::email}, {C::plus, S::exponent},
        {C::minus, S::exponent}, {C::control, F::float_}, {C::end, F::float_}});
    row(S::exponent_or_hex, F::float_,
        {{C::digit, S::exponent_or_hex}, {C::zero, S::exponent_or_hex}, {C::hash, F::invalid},
        {C::apostrophe, F::invalid}, {C::x, F::invalid}, {C::T, F::invalid}, {C::h, S::hex_h},
        {C::e, F::invalid}, {C::E, S::word_or_hex}, {C::hex_lower, F::invalid},
        {C::hex_upper, S::word_or_hex}, {C::backslash, F::invalid}, {C::greater, F::invalid},
        {C::equal, F::invalid}, {C::percent, F::percent}, {C::semicolon, F::invalid},
        {C::at, S::email}, {C::dot, S::tuple}, {C::dollar, F::invalid}, {C::plus, S::exponent},
        {C::minus, S::exponent}, {C::caret, F::invalid}, {C::continuation, F::invalid},
        {C::word, F::invalid}, {C::bad_byte, F::invalid}});
    row(S::special_float, F::special_float,
        {{C::digit, F::float_}, {C::hash, F::invalid}, {C::apostrophe, F::invalid},
        {C::colon, F::invalid}, {C::x, S::special_float}, {C::T, S::special_float},
        {C::h, S::special_float}, {C::e, S::special_float}, {C::E, S::special_float},
        {C::hex_lower, S::special_float}, {C::hex_upper, S::special_float},
        {C::greater, S::special_float}, {C::equal, S::special_float}, {C::percent, F::invalid},
        {C::at, F::invalid}, {C::dot, S::special_float}, {C::dollar, F::invalid},
        {C::plus, S::special_float}, {C::minus, S::special_float}, {C::caret, F::invalid},
        {C::continuation, S::special_float}, {C::word, S::special_float},
        {C::bad_byte, F::invalid}});
    row(S::tuple, F::invalid,
        {{C::blank, F::tuple}, {C::line_feed, F::tuple}, {C::digit, S::tuple},
        {C::zero, S::tuple}, {C::open_block, F::tuple}, {C::close_block, F::tuple},
        {C::open_paren, F::tuple}, {C::close_paren, F::tuple}, {C::open_brace, F::tuple},
        {C::close_brace, F::tuple}, {C::quote, F::tuple}, {C::colon, F::tuple},
        {C::slash, F::tuple}, {C::less, F::tuple}, {C::semicolon, F::tuple}, {C::dot, S::tuple},
        {C::control, F::tuple}, {C::end, F::tuple}});
    row(S::date, S::date,
        {{C::blank, F::date}, {C::line_feed, F::date}, {C::open_block, F::date},
        {C::close_block, F::date}, {C::open_paren, F::date}, {C::close_paren, F::date},
        {C::open_brace, F::date}, {C::close_brace, F::date}, {C::quote, F::date},
        {C::less, F::date}, {C::percent, F::invalid}, {C::comma, F::invalid},
        {C::semicolon, F::date}, {C::at, F::invalid}, {C::dollar, F::date},
        {C::caret, F::invalid}, {C::control, F::date}, {C::continuation, F::invalid},
        {C::bad_byte, F::invalid}, {C::end, F::date}});
    row(S::time_colon, F::invalid,
        {{C::digit, S::time}, {C::zero, S::time}});
    row(S::time, F::invalid,
        {{C::blank, F::time}, {C::line_feed, F::time}, {C::digit, S::time}, {C::zero, S::time},
        {C::open_block, F::time}, {C::close_block, F::time}, {C::open_paren, F::time},
        {C::close_paren, F::time}, {C::open_brace, F::time}, {C::close_brace, F::time},
        {C::quote, F::time}, {C::colon, S::time}, {C::slash, F::time}, {C::less, F::time},
        {C::semicolon, F::time}, {C::dot, S::time}, {C::control, F::time}, {C::end, F::time}});
    row(S::pair_x, F::invalid,
        {{C::digit, S::pair}, {C::zero, S::pair}, {C::at, S::email}, {C::plus, S::pair},
        {C::minus, S::pair}});
    row(S::pair, F::invalid,
        {{C::blank, F::pair}, {C::line_feed, F::pair}, {C::digit, S::pair}, {C::zero, S::pair},
        {C::open_block, F::pair}, {C::close_block, F::pair}, {C::open_paren, F::pair},
        {C::close_paren, F::pair}, {C::open_brace, F::pair}, {C::close_brace, F::pair},
        {C::quote, F::pair}, {C::colon, F::pair}, {C::e, S::pair}, {C::E, S::pair},
        {C::slash, F::pair}, {C::less, F::pair}, {C::semicolon, F::pair}, {C::at, S::email},
        {C::dot, S::pair}, {C::control, F::pair}, {C::end, F::pair}});
    row(S::point, F::invalid,
        {{C::blank, S::point}, {C::digit, S::point}, {C::zero, S::point},
        {C::close_block, S::point}, {C::close_paren, F::point}, {C::hash, S::point},
        {C::e, S::point}, {C::E, S::point}, {C::hex_lower, S::point}, {C::hex_upper, S::point},
        {C::comma, S::point}, {C::dot, S::point}, {C::plus, S::point}, {C::minus, S::point},
        {C::word, S::point}});
    row(S::money_dollar, F::invalid,
        {{C::digit, S::money}, {C::zero, S::money}});
    row(S::money, F::invalid,
        {{C::blank, F::money}, {C::line_feed, F::money}, {C::digit, S::money},
        {C::zero, S::money}, {C::open_block, F::money}, {C::close_block, F::money},
        {C::open_paren, F::money}, {C::close_paren, F::money}, {C::open_brace, F::money},
        {C::close_brace, F::money}, {C::quote, F::money}, {C::hash, F::money},
        {C::apostrophe, S::money}, {C::colon, F::money}, {C::slash, F::money},
        {C::less, F::money}, {C::semicolon, F::money}, {C::dot, S::money_fraction},
        {C::control, F::money}, {C::end, F::money}});
    row(S::money_fraction, F::invalid,
        {{C::blank, F::money}, {C::line_feed, F::money}, {C::digit, S::money_fraction},
        {C::zero, S::money_fraction}, {C::open_block, F::money}, {C::close_block, F::money},
        {C::open_paren, F::money}, {C::close_paren, F::money}, {C::open_brace, F::money},
        {C::close_brace, F::money}, {C::quote, F::money}, {C::hash, F::money},
        {C::apostrophe, S::money_fraction}, {C::colon, F::money}, {C::slash, F::money},
        {C::less, F::money}, {C::semicolon, F::money}, {C::control, F::money},
        {C::end, F::money}});
    row(S::hex_letters, F::invalid,
        {{C::digit, S::hex_letters}, {C::zero, S::hex_letters}, {C::h, S::word_hex_h},
        {C::E, S::hex_letters}, {C::hex_upper, S::hex_letters}, {C::at, S::email}});
    row(S::word_or_hex, F::word,
        {{C::digit, S::word_or_hex}, {C::zero, S::word_or_hex}, {C::apostrophe, S::word},
        {C::colon, S::word_colon}, {C::x, S::word}, {C::T, S::word}, {C::h, S::word_hex_h},
        {C::e, S::word}, {C::E, S::word_or_hex}, {C::hex_lower, S::word},
        {C::hex_upper, S::word_or_hex}, {C::slash, F::open_path}, {C::less, S::word},
        {C::greater, S::word}, {C::equal, S::word}, {C::percent, F::invalid},
        {C::comma, F::invalid}, {C::at, S::email}, {C::dot, S::word}, {C::dollar, S::money},
        {C::plus, S::word}, {C::minus, S::word}, {C::caret, S::word}, {C::continuation, S::word},
        {C::word, S::word}, {C::bad_byte, F::invalid}});
    row(S::word_hex_h, S::word,
        {{C::blank, F::hex_integer}, {C::line_feed, F::hex_integer},
        {C::open_block, F::hex_integer}, {C::close_block, F::hex_integer},
        {C::open_paren, F::hex_integer}, {C::close_paren, F::hex_integer},
        {C::open_brace, F::hex_integer}, {C::close_brace, F::hex_integer},
        {C::quote, F::hex_integer}, {C::hash, F::invalid}, {C::colon, S::word_colon},
        {C::slash, F::open_path}, {C::backslash, F::hex_integer}, {C::percent, F::invalid},
        {C::comma, F::invalid}, {C::semicolon, F::hex_integer}, {C::at, S::email},
        {C::dollar, S::money}, {C::control, F::hex_integer}, {C::bad_byte, F::invalid},
        {C::end, F::hex_integer}});
    row(S::hex_h, F::invalid,
        {{C::blank, F::hex_integer}, {C::line_feed, F::hex_integer},
        {C::open_block, F::hex_integer}, {C::close_block, F::hex_integer},
        {C::open_paren, F::hex_integer}, {C::close_paren, F::hex_integer},
        {C::open_brace, F::hex_integer}, {C::close_brace, F::hex_integer},
        {C::quote, F::hex_integer}, {C::slash, F::open_path}, {C::backslash, F::hex_integer},
        {C::less, F::hex_integer}, {C::semicolon, F::hex_integer}, {C::at, S::email},
        {C::dollar, S::money}, {C::control, F::hex_integer}, {C::end, F::hex_integer}});
    row(S::less, S::tag,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::apostrophe, S::tag_apostrophe}, {C::colon, S::word_colon}, {C::less, S::less},
        {C::greater, S::word}, {C::equal, S::word}, {C::semicolon, F::word}, {C::minus, S::word},
        {C::control, F::word}, {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::tag, S::tag,
        {{C::quote, S::tag_quote}, {C::apostrophe, S::tag_apostrophe}, {C::greater, F::tag},
        {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::tag_quote, S::tag_quote,
        {{C::quote, S::tag}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::tag_apostrophe, S::tag_apostrophe,
        {{C::apostrophe, S::tag}, {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::sign, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::digit, S::digits},
        {C::zero, S::digits}, {C::open_block, F::word}, {C::close_block, F::word},
        {C::open_paren, F::word}, {C::close_paren, F::word}, {C::open_brace, F::word},
        {C::close_brace, F::word}, {C::quote, F::word}, {C::hash, F::word},
        {C::apostrophe, F::invalid}, {C::slash, F::open_path}, {C::backslash, F::word},
        {C::percent, F::invalid}, {C::semicolon, F::word}, {C::dot, S::dot},
        {C::dollar, S::money}, {C::caret, F::invalid}, {C::control, F::word},
        {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::prefix_sign, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::word}, {C::apostrophe, F::invalid}, {C::slash, F::open_path},
        {C::backslash, F::word}, {C::percent, F::invalid}, {C::semicolon, F::word},
        {C::dollar, F::invalid}, {C::caret, F::invalid}, {C::control, F::word},
        {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::dot, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::digit, S::dot_digits},
        {C::zero, S::dot_digits}, {C::open_block, F::word}, {C::close_block, F::word},
        {C::open_paren, F::word}, {C::close_paren, F::word}, {C::open_brace, F::word},
        {C::close_brace, F::word}, {C::quote, F::word}, {C::hash, F::word},
        {C::colon, S::word_colon}, {C::slash, F::open_path}, {C::backslash, F::word},
        {C::percent, F::invalid}, {C::comma, F::invalid}, {C::semicolon, F::word},
        {C::at, S::email}, {C::dollar, F::invalid}, {C::plus, S::dot_digits},
        {C::minus, S::dot_digits}, {C::control, F::word}, {C::bad_byte, F::invalid},
        {C::end, F::word}});
    row(S::dot_digits, F::invalid,
        {{C::blank, F::float_}, {C::line_feed, F::float_}, {C::digit, S::dot_digits},
        {C::zero, S::dot_digits}, {C::open_block, F::float_}, {C::close_block, F::float_},
        {C::open_paren, F::float_}, {C::close_paren, F::float_}, {C::open_brace, F::float_},
        {C::close_brace, F::float_}, {C::quote, F::float_}, {C::colon, F::float_},
        {C::x, S::pair_x}, {C::e, S::dot_digits}, {C::E, S::dot_digits}, {C::slash, F::float_},
        {C::less, F::float_}, {C::percent, F::percent}, {C::at, S::email},
        {C::plus, S::dot_digits}, {C::minus, S::dot_digits}, {C::control, F::float_},
        {C::end, F::float_}});
    row(S::prefix, F::invalid,
        {{C::x, S::word}, {C::T, S::word}, {C::h, S::word}, {C::e, S::word}, {C::E, S::word},
        {C::hex_lower, S::word}, {C::hex_upper, S::word}, {C::slash, S::slash},
        {C::less, S::less}, {C::greater, S::word}, {C::equal, S::equal},
        {C::percent, S::percent_word}, {C::dot, S::word}, {C::plus, S::prefix_sign},
        {C::minus, S::prefix_sign}, {C::caret, S::word}, {C::continuation, S::word},
        {C::word, S::word}});
    row(S::word, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::word}, {C::colon, S::word_colon}, {C::slash, F::open_path},
        {C::backslash, F::word}, {C::less, F::word}, {C::percent, F::invalid},
        {C::comma, F::invalid}, {C::semicolon, F::word}, {C::at, S::email},
        {C::dollar, S::money_dollar}, {C::control, F::word}, {C::bad_byte, F::invalid},
        {C::end, F::word}});
    row(S::word_colon, S::url,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::backslash, F::word}, {C::less, F::invalid}, {C::semicolon, F::word},
        {C::control, F::word}, {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::percent_word, F::invalid,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::backslash, F::word},
        {C::percent, S::percent_word}, {C::semicolon, F::word}, {C::control, F::word},
        {C::end, F::word}});
    row(S::url, S::url,
        {{C::blank, F::url}, {C::line_feed, F::url}, {C::open_block, F::url},
        {C::close_block, F::url}, {C::open_paren, F::url}, {C::close_paren, F::url},
        {C::open_brace, F::url}, {C::close_brace, F::url}, {C::quote, F::url},
        {C::backslash, F::url}, {C::less, F::url}, {C::greater, F::invalid},
        {C::semicolon, F::url}, {C::caret, F::invalid}, {C::control, F::url},
        {C::bad_byte, F::invalid}, {C::end, F::url}});
    row(S::email, F::email,
        {{C::digit, S::email}, {C::zero, S::email}, {C::hash, F::invalid},
        {C::apostrophe, F::invalid}, {C::colon, F::invalid}, {C::x, S::email}, {C::T, S::email},
        {C::h, S::email}, {C::e, S::email}, {C::E, S::email}, {C::hex_lower, S::email},
        {C::hex_upper, S::email}, {C::greater, F::invalid}, {C::equal, F::invalid},
        {C::percent, S::email}, {C::comma, F::invalid}, {C::at, F::invalid}, {C::dot, S::email},
        {C::dollar, F::invalid}, {C::plus, S::email}, {C::minus, S::email},
        {C::caret, F::invalid}, {C::continuation, S::email}, {C::word, S::email},
        {C::bad_byte, F::invalid}});
    row(S::ref, S::ref,
        {{C::blank, F::ref}, {C::line_feed, F::ref}, {C::open_block, F::ref},
        {C::close_block, F::ref}, {C::open_paren, F::ref}, {C::close_paren, F::ref},
        {C::open_brace, F::ref}, {C::close_brace, F::ref}, {C::quote, F::ref},
        {C::hash, F::invalid}, {C::apostrophe, F::invalid}, {C::backslash, F::invalid},
        {C::less, F::ref}, {C::greater, F::invalid}, {C::equal, F::invalid},
        {C::comma, F::invalid}, {C::semicolon, F::ref}, {C::at, F::invalid},
        {C::dollar, F::invalid}, {C::caret, F::invalid}, {C::control, F::ref},
        {C::bad_byte, F::invalid}, {C::end, F::ref}});
    row(S::equal, S::word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::invalid}, {C::colon, F::word}, {C::slash, F::open_path},
        {C::backslash, F::word}, {C::percent, F::invalid}, {C::comma, F::invalid},
        {C::semicolon, F::word}, {C::at, F::invalid}, {C::dollar, F::invalid},
        {C::control, F::word}, {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::path_element, F::invalid,
        {{C::digit, S::path_number}, {C::zero, S::path_number}, {C::open_paren, F::open_paren},
        {C::close_paren, F::close_paren}, {C::quote, S::string}, {C::hash, S::path_issue},
        {C::apostrophe, S::path_prefix}, {C::colon, S::path_prefix}, {C::x, S::path_word},
        {C::T, S::path_word}, {C::h, S::path_word}, {C::e, S::path_word}, {C::E, S::path_word},
        {C::hex_lower, S::path_word}, {C::hex_upper, S::path_word}, {C::less, S::less},
        {C::greater, S::path_word}, {C::equal, S::path_word}, {C::at, S::ref},
        {C::dot, S::path_word}, {C::dollar, S::money_dollar}, {C::plus, S::path_sign},
        {C::minus, S::path_sign}, {C::continuation, S::path_word}, {C::word, S::path_word}});
    row(S::path_number, F::invalid,
        {{C::blank, F::integer}, {C::line_feed, F::integer}, {C::digit, S::path_number},
        {C::zero, S::path_number}, {C::open_block, F::integer}, {C::close_block, F::integer},
        {C::open_paren, F::integer}, {C::close_paren, F::integer}, {C::open_brace, F::integer},
        {C::close_brace, F::integer}, {C::quote, F::integer}, {C::apostrophe, S::path_number},
        {C::colon, F::integer}, {C::x, S::pair_x}, {C::e, S::exponent}, {C::E, S::exponent},
        {C::slash, F::integer}, {C::less, F::integer}, {C::percent, F::percent},
        {C::semicolon, F::integer}, {C::at, S::email}, {C::dot, S::float_point},
        {C::control, F::integer}, {C::end, F::integer}});
    row(S::path_prefix, F::invalid,
        {{C::x, S::path_word}, {C::T, S::path_word}, {C::h, S::path_word}, {C::e, S::path_word},
        {C::E, S::path_word}, {C::hex_lower, S::path_word}, {C::hex_upper, S::path_word},
        {C::less, S::path_word}, {C::greater, S::path_word}, {C::equal, S::path_word},
        {C::dot, S::path_word}, {C::plus, S::path_word}, {C::minus, S::path_word},
        {C::continuation, S::path_word}, {C::word, S::path_word}});
    row(S::path_word, S::path_word,
        {{C::blank, F::word}, {C::line_feed, F::word}, {C::open_block, F::word},
        {C::close_block, F::word}, {C::open_paren, F::word}, {C::close_paren, F::word},
        {C::open_brace, F::word}, {C::close_brace, F::word}, {C::quote, F::word},
        {C::hash, F::invalid}, {C::colon, F::word}, {C::slash, F::word}, {C::backslash, F::word},
        {C::percent, F::invalid}, {C::comma, F::invalid}, {C::semicolon, F::word},
        {C::at, S::email}, {C::dollar, S::money_dollar}, {C::control, F::word},
        {C::bad_byte, F::invalid}, {C::end, F::word}});
    row(S::path_issue, S::issue,
        {{C::blank, F::invalid}, {C::line_feed, F::invalid}, {C::open_block, S::construct},
        {C::close_block, F::invalid}, {C::open_paren, F::invalid}, {C::close_paren, F::invalid},
        {C::open_brace, F::invalid}, {C::close_brace, F::invalid}, {C::quote, S::char_},
        {C::colon, F::invalid}, {C::slash, F::invalid}, {C::less, F::invalid},
        {C::greater, F::invalid}, {C::equal, F::invalid}, {C::comma, F::invalid},
        {C::semicolon, F::invalid}, {C::at, F::invalid}, {C::control, F::invalid},
        {C::bad_byte, F::invalid}, {C::end, F::invalid}});
    row(S::path_sign, F::word,
        {{C::digit, S::path_number}, {C::zero, S::path_number}, {C::hash, F::invalid},
        {C::apostrophe, F::invalid}, {C::x, S::path_word}, {C::T, S::path_word},
        {C::h, S::path_word}, {C::e, S::path_word}, {C::E, S::path_word},
        {C::hex_lower, S::path_word}, {C::hex_upper, S::path_word}, {C::less, F::invalid},
        {C::greater, S::path_word}, {C::equal, S::path_word}, {C::percent, F::invalid},
        {C::comma, F::invalid}, {C::at, S::email}, {C::dot, S::path_word},
        {C::dollar, S::money_dollar}, {C::plus, S::path_sign}, {C::minus, S::path_sign},
        {C::caret, F::invalid}, {C::continuation, S::path_word}, {C::word, S::path_word},
        {C::bad_byte, F::invalid}});
    return t;
}

constexpr std::array<Type, typed_states> make_state_types() {
    std::array<Type, typed_states> t{};
    auto set = [&t](std::initializer_list<u8> states, Type type) {
        for (u8 s : states) t[s] = type;
    };
    set({S::string, S::string_caret, S::braced, S::braced_caret, S::raw, S::raw_close,
         S::raw_percents, F::close_brace, F::string, F::raw_string},
        Type::string);
    set({S::percent, S::file, S::quoted_file, S::percents, F::file}, Type::file);
    set({S::slash, S::slashes, S::word_hex_h, S::sign, S::prefix_sign, S::dot, S::prefix,
         S::word, S::percent_word, S::equal, S::path_prefix, S::path_word, S::path_sign,
         F::word},
        Type::word);
    set({S::refinement, F::refinement}, Type::refinement);
    set({S::hash, S::issue, S::path_issue, F::issue}, Type::issue);
    set({S::binary, F::binary}, Type::binary);
    set({S::char_, S::char_caret, F::char_}, Type::char_);
    set({S::digits, S::word_or_hex, S::hex_h, S::path_number, F::integer, F::hex_integer},
        Type::integer);
    set({S::float_point, S::float_fraction, S::exponent, S::exponent_or_hex, S::special_float,
         S::dot_digits, F::float_, F::special_float},
        Type::float_);
    set({S::tuple, F::tuple}, Type::tuple);
    set({S::date, F::date}, Type::date);
    set({S::time_colon, S::time, F::time}, Type::time);
    set({S::pair_x, S::pair, F::pair}, Type::pair);
    set({S::point, F::point}, Type::point2d);
    set({S::money_dollar, S::money, S::money_fraction, F::money}, Type::money);
    set({S::less, S::tag, S::tag_quote, S::tag_apostrophe, F::tag}, Type::tag);
    set({S::word_colon}, Type::set_word);
    set({S::url, F::url}, Type::url);
    set({S::email, F::email}, Type::email);
    set({S::ref, F::ref}, Type::ref);
    set({S::path_element}, Type::path);
    set({F::invalid}, Type::error);
    set({F::percent}, Type::percent);
    return t;
}

constexpr std::array<u8, class_count> make_path_delimiters() {
    std::array<u8, class_count> t{};
    for (Class c : {C::blank, C::line_feed, C::open_block, C::close_block, C::open_paren,
                    C::close_paren, C::open_brace, C::quote, C::colon, C::less, C::semicolon,
                    C::word, C::bad_byte, C::end})
        t[static_cast<u32>(c)] = 1;
    return t;
}

// Float syntax: byte classes 0 other, 1 sign, 2 digit, 3 exponent letter, 4 ".", 5 "'";
// column 6 is the end of the text. States 9 (accept) and 10 (reject) keep themselves.
constexpr u8 float_accept = 9;
constexpr u8 float_reject = 10;
constexpr u8 float_end_column = 6;
constexpr u8 float_transitions[11][7] = {
    {10, 0, 1, 10, 4, 10, 10},  // before the number: signs
    {10, 10, 1, 6, 5, 2, 9},    // integer digits
    {10, 10, 1, 10, 10, 10, 9}, // after a "'" in the integer part
    {10, 10, 3, 6, 10, 4, 9},   // fraction digits
    {10, 10, 3, 10, 10, 10, 9}, // after "." with no integer part, or a "'" in the fraction
    {10, 10, 3, 10, 10, 10, 9}, // after the "." that follows integer digits
    {10, 7, 8, 10, 10, 10, 10}, // after the exponent letter
    {10, 10, 8, 10, 10, 10, 10},// after the exponent's sign
    {10, 10, 8, 10, 10, 10, 9}, // exponent digits
    {9, 9, 9, 9, 9, 9, 9},
    {10, 10, 10, 10, 10, 10, 10},
};

constexpr u8 float_class(u8 byte) {
    switch (byte) {
    case '+': case '-': return 1;
    case 'E': case 'e': return 3;
    case '.': return 4;
    case '\'': return 5;
    default: return byte >= '0' && byte <= '9' ? 2 : 0;
    }
}

}  // namespace

const std::array<u32, 256> byte_classes = make_byte_classes();
const std::array<u8, state_count * class_count> transitions = make_transitions();
const std::array<Type, typed_states> state_types = make_state_types();
const std::array<u8, class_count> path_delimiters = make_path_delimiters();

bool is_float_syntax(const u8* text, u32 length) {
    constexpr u32 longest = 312;
    if (length > longest) return false;
    u8 state = 0;
    for (u32 i = 0; i < length && state != float_accept && state != float_reject; ++i)
        state = float_transitions[state][float_class(text[i])];
    return float_transitions[state][float_end_column] != float_reject;
}

}  // namespace zel::lexer

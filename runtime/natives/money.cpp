// The native as-money: a currency code and an amount combined into one money! value.
#include "runtime/core/raise.h"
#include "runtime/datatypes/money.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {

// A code outside the currency list raises script/bad-denom; a float amount keeps its
// first five fraction digits, as in arithmetic.
void as_money(const i32*) {
    const Cell currency = arg(0);
    const u32 index = money_word::currency_index(symbol::name(currency.w2));
    if (index == 0) raise(ErrorId::script_bad_denom, &currency);
    Cell money = money::from_number(arg(1), false);
    money_word::set_currency_index(money, index);
    set_result(money);
}

}  // namespace zel::natives

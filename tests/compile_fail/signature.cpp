// Binding lines that must not compile: each case (TVK_CASE=n) holds one malformed or mismatched
// signature, and its test passes when the compiler names the fault written after the case
// (CMakeLists.txt reads the cases from this file). Case 0 is the well-formed control, which must
// compile.
#include "../../python/engine/bind.h"
#include "../cpp/signature_cases.h"

TVK_API void cf_scale(const double* x, const int* n, double* y);
TVK_API void cf_label(const char* s, char* o, std::size_t ls, std::size_t lo);
TVK_API double cf_dot(const double* a, const double* b, const int* n);
TVK_API void cf_weights(const double* w, double* y);
// The argument limit (64) and one over it; arrays copied on request, 63 and 65 call parameters.
TVK_API void cf_many64(double* acc, const double* x1, const double* x2, const double* x3, const double* x4, const double* x5, const double* x6, const double* x7, const double* x8, const double* x9, const double* x10, const double* x11, const double* x12, const double* x13, const double* x14, const double* x15, const double* x16, const double* x17, const double* x18, const double* x19, const double* x20, const double* x21, const double* x22, const double* x23, const double* x24, const double* x25, const double* x26, const double* x27, const double* x28, const double* x29, const double* x30, const double* x31, const double* x32, const double* x33, const double* x34, const double* x35, const double* x36, const double* x37, const double* x38, const double* x39, const double* x40, const double* x41, const double* x42, const double* x43, const double* x44, const double* x45, const double* x46, const double* x47, const double* x48, const double* x49, const double* x50, const double* x51, const double* x52, const double* x53, const double* x54, const double* x55, const double* x56, const double* x57, const double* x58, const double* x59, const double* x60, const double* x61, const double* x62, const double* x63);
TVK_API void cf_many65(double* acc, const double* x1, const double* x2, const double* x3, const double* x4, const double* x5, const double* x6, const double* x7, const double* x8, const double* x9, const double* x10, const double* x11, const double* x12, const double* x13, const double* x14, const double* x15, const double* x16, const double* x17, const double* x18, const double* x19, const double* x20, const double* x21, const double* x22, const double* x23, const double* x24, const double* x25, const double* x26, const double* x27, const double* x28, const double* x29, const double* x30, const double* x31, const double* x32, const double* x33, const double* x34, const double* x35, const double* x36, const double* x37, const double* x38, const double* x39, const double* x40, const double* x41, const double* x42, const double* x43, const double* x44, const double* x45, const double* x46, const double* x47, const double* x48, const double* x49, const double* x50, const double* x51, const double* x52, const double* x53, const double* x54, const double* x55, const double* x56, const double* x57, const double* x58, const double* x59, const double* x60, const double* x61, const double* x62, const double* x63, const double* x64);
TVK_API void cf_copies31(const int* n, double* a1, double* a2, double* a3, double* a4, double* a5, double* a6, double* a7, double* a8, double* a9, double* a10, double* a11, double* a12, double* a13, double* a14, double* a15, double* a16, double* a17, double* a18, double* a19, double* a20, double* a21, double* a22, double* a23, double* a24, double* a25, double* a26, double* a27, double* a28, double* a29, double* a30, double* a31);
TVK_API void cf_copies32(const int* n, double* a1, double* a2, double* a3, double* a4, double* a5, double* a6, double* a7, double* a8, double* a9, double* a10, double* a11, double* a12, double* a13, double* a14, double* a15, double* a16, double* a17, double* a18, double* a19, double* a20, double* a21, double* a22, double* a23, double* a24, double* a25, double* a26, double* a27, double* a28, double* a29, double* a30, double* a31, double* a32);
TVK_API void cf_pair(const double* x, const double* y);
using CfCallback = tvk::CallbackRef<void(double*)>;
TVK_API void cf_four(CfCallback a, CfCallback b, CfCallback c, CfCallback d);
TVK_API void cf_five(CfCallback a, CfCallback b, CfCallback c, CfCallback d, CfCallback e);

#if TVK_CASE == 0
TVK_CALLBACK(cf_func, "f:f8:out x:f8 args:f8(na) na:i4");
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n) n:i4 y:f8:out");
TVK_ROUTINE(tcf, label, cf_label, "s:s8 o:s(slen(s)):out");
TVK_ROUTINE(tcf, dot, cf_dot, "dot:f8:ret a:f8(n) b:f8(n):check(len(b)>=n) n:i4:opt=min(len(a),8)");
TVK_ROUTINE(tcf, weights, cf_weights, "w:f8(3):opt=[0.5,-2.5e-1,1e3] y:f8:out");
TVK_ROUTINE(tcf, weights7, cf_weights, "w:f8(1,1,1,1,1,1,1):hide:=[1] y:f8:out");
TVK_ROUTINE(tcf, many64, cf_many64, signature_cases::at_limit.c_str());
TVK_ROUTINE(tcf, copies31, cf_copies31, signature_cases::copies_at_limit.c_str());
TVK_ROUTINE(tcf, deep29, cf_pair, signature_cases::deep_at_limit.c_str());
TVK_CALLBACK(cf_one, "x:f8:inout");
TVK_ROUTINE(tcf, four, cf_four, "a:cb(cf_one) b:cb(cf_one) c:cb(cf_one) d:cb(cf_one)");
#elif TVK_CASE == 1  // unknown_type
TVK_ROUTINE(tcf, scale, cf_scale, "x:f9(n) n:i4 y:f8:out");
#elif TVK_CASE == 2  // type_differs_from_the_C_parameter
TVK_ROUTINE(tcf, scale, cf_scale, "n:i4 x:f8(n) y:f8:out");
#elif TVK_CASE == 3  // argument_count_differs_from_the_C_function
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n) n:i4");
#elif TVK_CASE == 4  // written_argument_is_const_in_the_C_function
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n):inout n:i4 y:f8:out");
#elif TVK_CASE == 5  // expression_names_an_unknown_argument
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(m) n:i4 y:f8:out");
#elif TVK_CASE == 6  // unbalanced_parentheses
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n n:i4 y:f8:out");
#elif TVK_CASE == 7  // unknown_attribute
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n) n:i4 y:f8:outt");
#elif TVK_CASE == 8  // type_differs_from_the_C_parameter
TVK_ROUTINE(tcf, label, cf_label, "s:s8 o:s8:out extra:i4");
#elif TVK_CASE == 9  // function_value_differs_from_the_C_return_type
TVK_ROUTINE(tcf, dot, cf_dot, "a:f8(n) b:f8(n) n:i4");
#elif TVK_CASE == 10  // expression_malformed
TVK_ROUTINE(tcf, dot, cf_dot, "dot:f8:ret a:f8(n) b:f8(n) n:i4:opt=len(a)+");
#elif TVK_CASE == 11  // argument_needs_name_colon_type
TVK_CALLBACK(cf_func, "f:f8:out x f8 args:f8(na) na:i4");
#elif TVK_CASE == 12  // vector_default_is_not_a_list_of_numbers_for_a_real_array
TVK_ROUTINE(tcf, weights, cf_weights, "w:f8(3):opt=[0.5,n] y:f8:out");
#elif TVK_CASE == 13  // vector_default_is_not_a_list_of_numbers_for_a_real_array
TVK_ROUTINE(tcf, weights, cf_weights, "w:f8:opt=[0.5,1.0] y:f8:out");
#elif TVK_CASE == 14  // too_many_arguments
TVK_ROUTINE(tcf, many65, cf_many65, signature_cases::over_limit.c_str());
#elif TVK_CASE == 15  // too_many_arguments
TVK_ROUTINE(tcf, copies32, cf_copies32, signature_cases::copies_over_limit.c_str());
#elif TVK_CASE == 16  // circular_dependency
TVK_ROUTINE(tcf, dot, cf_dot, "dot:f8:ret a:f8(n) b:f8(n):check(len(b)>=n) n:i4:opt=min(len(a),len(b))");
#elif TVK_CASE == 17  // too_many_extents
TVK_ROUTINE(tcf, weights, cf_weights, "w:f8(1,1,1,1,1,1,1,1):hide:=[1] y:f8:out");
#elif TVK_CASE == 18  // too_many_call_backs
TVK_CALLBACK(cf_one, "x:f8:inout");
TVK_ROUTINE(tcf, five, cf_five, "a:cb(cf_one) b:cb(cf_one) c:cb(cf_one) d:cb(cf_one) e:cb(cf_one)");
#elif TVK_CASE == 19  // hidden_without_default
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8 n:i4:hide y:f8(n):out");
#elif TVK_CASE == 20  // expression_too_deep
TVK_ROUTINE(tcf, deep30, cf_pair, signature_cases::deep_over_limit.c_str());
#elif TVK_CASE == 21  // expression_malformed
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n) n:i4:opt=1.2.3 y:f8:out");
#elif TVK_CASE == 22  // text_or_call_back_with_extents
TVK_ROUTINE(tcf, label, cf_label, "s:s8(2) o:s8:out");
#endif

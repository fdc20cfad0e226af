// Binding lines that must not compile: each case (TVK_CASE=n) holds one malformed or mismatched
// signature, and its test passes when the compiler names the fault written after the case
// (CMakeLists.txt reads the cases from this file). Case 0 is the well-formed control, which must
// compile.
#include "../../python/engine/bind.h"

TVK_API void cf_scale(const double* x, const int* n, double* y);
TVK_API void cf_label(const char* s, char* o, std::size_t ls, std::size_t lo);
TVK_API double cf_dot(const double* a, const double* b, const int* n);
TVK_API void cf_weights(const double* w, double* y);

#if TVK_CASE == 0
TVK_CALLBACK(cf_func, "f:f8:out x:f8 args:f8(na) na:i4");
TVK_ROUTINE(tcf, scale, cf_scale, "x:f8(n) n:i4 y:f8:out");
TVK_ROUTINE(tcf, label, cf_label, "s:s8 o:s(slen(s)):out");
TVK_ROUTINE(tcf, dot, cf_dot, "dot:f8:ret a:f8(n) b:f8(n):check(len(b)>=n) n:i4:opt=min(len(a),len(b))");
TVK_ROUTINE(tcf, weights, cf_weights, "w:f8(3):opt=[0.5,-2.5e-1,1e3] y:f8:out");
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
#endif

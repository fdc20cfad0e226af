// Parameters of a point sequence (by index or by cumulative chord length) and linear refinement
// of vectors and matrices. Points are columns: p_data(1:m, j) is point j.
#pragma once

#include "core/tvk.h"

namespace tvk::interp {

// t_data(j) = j - 1.
void parameterize_index(int m, int data_num, const double* p_data, double* t_data);
// t_data(1) = 0, t_data(j) = t_data(j-1) + |p_data(:, j) - p_data(:, j-1)|.
void parameterize_arc_length(int m, int data_num, const double* p_data, double* t_data);
// xfat((n-1)(fat+1)+1): x with fat equally spaced values inserted into every interval. A
// negative fat counts as 0 (xfat then needs n values), here and in r8vec_expand_linear2.
void r8vec_expand_linear(int n, const double* x, int fat, double* xfat);
// The same with `before` values continuing the first interval's spacing to the left and `after`
// values continuing the last one's to the right: xfat(before + (n-1)(fat+1) + 1 + after), with
// each negative count taken as 0. With a single value the continued spacing is 0.
void r8vec_expand_linear2(int n, const double* x, int before, int fat, int after, double* xfat);
// Bilinear resampling of a(m, n) onto the m2 x n2 grid over the same (normalised) square. A
// single row or column of a is constant along that direction; no data give NaN.
void r8mat_expand_linear2(int m, int n, const double* a, int m2, int n2, double* a2);

}  // namespace tvk::interp

TVK_API void parameterize_index(const int* m, const int* data_num, const double* p_data,
                                double* t_data);
TVK_API void parameterize_arc_length(const int* m, const int* data_num, const double* p_data,
                                     double* t_data);
TVK_API void r8vec_expand_linear(const int* n, const double* x, const int* fat, double* xfat);
TVK_API void r8vec_expand_linear2(const int* n, const double* x, const int* before,
                                  const int* fat, const int* after, double* xfat);
TVK_API void r8mat_expand_linear2(const int* m, const int* n, const double* a, const int* m2,
                                  const int* n2, double* a2);

// Nearest-neighbour and piecewise-linear interpolation of tabulated multi-component data, with
// their search helpers.
//
// Data are a block p_data(m, data_num): column j holds the m components at abscissa t_data(j).
// Results are a block p_interp(m, interp_num), column i belonging to t_interp(i); the query
// points need not be sorted. Both routines extrapolate silently: the nearest lookup returns the
// end column, the linear interpolation continues its end segments.
//
// Tables too small to interpolate: no data (data_num < 1) give NaN in every result; a linear
// table of a single point gives that point's column everywhere.
#pragma once

#include "core/tvk.h"

namespace tvk::interp {

// Index (1-based) of the entry of the sorted vector a(n) nearest to value; -1 for n < 1.
int r8vec_sorted_nearest(int n, const double* a, double value);
// The interval [x(left), x(right)] used for xval: the first i of 2..n-1 with xval < x(i) gives
// left = i - 1, right = i; none gives n - 1, n. For n = 1 both are 1, for n < 1 both are -1.
void r8vec_bracket(int n, const double* x, double xval, int& left, int& right);
// True when x(i) < x(i+1) for every i (true for n <= 1; false when a NaN takes part).
bool r8vec_ascends_strictly(int n, const double* x);

void interp_nearest(int m, int data_num, const double* t_data, const double* p_data,
                    int interp_num, const double* t_interp, double* p_interp);
// Ends the process with exit status 1 after a three-line report on standard output when t_data
// is not strictly increasing.
void interp_linear(int m, int data_num, const double* t_data, const double* p_data,
                   int interp_num, const double* t_interp, double* p_interp);

}  // namespace tvk::interp

TVK_API int r8vec_sorted_nearest(const int* n, const double* a, const double* value);
TVK_API void r8vec_bracket(const int* n, const double* x, const double* xval, int* left,
                           int* right);
TVK_API int r8vec_ascends_strictly(const int* n, const double* x);
TVK_API void interp_nearest(const int* m, const int* data_num, const double* t_data,
                            const double* p_data, const int* interp_num, const double* t_interp,
                            double* p_interp);
TVK_API void interp_linear(const int* m, const int* data_num, const double* t_data,
                           const double* p_data, const int* interp_num, const double* t_interp,
                           double* p_interp);

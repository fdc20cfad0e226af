// Polynomial (Lagrange) interpolation of multi-component data: the polynomial of degree below
// data_num through the points (t_data(j), p_data(:, j)), evaluated at t_interp, outside the
// data range too. The data parameters must be distinct; nothing tests it (a repeated parameter
// divides by zero).
#pragma once

#include "core/tvk.h"

namespace tvk::interp {

// l_interp(data_num, interp_num): the Lagrange basis polynomials of the data parameters at the
// interpolation parameters.
void lagrange_value(int data_num, const double* t_data, int interp_num, const double* t_interp,
                    double* l_interp);
// p_interp(m, interp_num) = p_data(m, data_num) l_interp.
void interp_lagrange(int m, int data_num, const double* t_data, const double* p_data,
                     int interp_num, const double* t_interp, double* p_interp);

}  // namespace tvk::interp

TVK_API void lagrange_value(const int* data_num, const double* t_data, const int* interp_num,
                            const double* t_interp, double* l_interp);
TVK_API void interp_lagrange(const int* m, const int* data_num, const double* t_data,
                             const double* p_data, const int* interp_num, const double* t_interp,
                             double* p_interp);

! A solver-side forwarding file: the solver's UMAT entry passes its arguments on to the library's
! umat_lamina, in one of two ways. Compiled without name decoration (gfortran -fno-underscoring),
! the call needs no interface: the compiler appends the hidden length of the material name after
! the last argument, where the library expects it. With TVK_BINDC defined, for solvers whose own
! entry keeps the compiler's name decoration, a bind(C) interface names the library routine
! exactly and passes the length explicitly, as a size_t value after the last argument. The
! program plays the solver for one increment of a ply in uniaxial strain and checks stress,
! tangent and energy against the closed form.
subroutine umat(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
                time, dtime, temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, nprops, &
                coords, drot, pnewdt, celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc)
  implicit none
  character(len=80) :: cmname
  integer :: ndi, nshr, ntens, nstatv, nprops, noel, npt, layer, kspt, jstep(4), kinc
  double precision :: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), sse, spd, scd, rpl
  double precision :: ddsddt(ntens), drplde(ntens), drpldt, stran(ntens), dstran(ntens), time(2)
  double precision :: dtime, temp, dtemp, predef(1), dpred(1), props(nprops), coords(3), drot(3, 3)
  double precision :: pnewdt, celent, dfgrd0(3, 3), dfgrd1(3, 3)
#ifdef TVK_BINDC
  interface
    subroutine umat_lamina(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, &
                           dstran, time, dtime, temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, &
                           nstatv, props, nprops, coords, drot, pnewdt, celent, dfgrd0, dfgrd1, noel, npt, &
                           layer, kspt, jstep, kinc, cmname_len) bind(C, name="umat_lamina")
      use, intrinsic :: iso_c_binding, only: c_double, c_int, c_char, c_size_t
      real(c_double) :: stress(*), statev(*), ddsdde(*), sse, spd, scd, rpl, ddsddt(*), drplde(*)
      real(c_double) :: drpldt, stran(*), dstran(*), time(2), dtime, temp, dtemp, predef(*), dpred(*)
      real(c_double) :: props(*), coords(3), drot(9), pnewdt, celent, dfgrd0(9), dfgrd1(9)
      character(kind=c_char) :: cmname(80)
      integer(c_int) :: ndi, nshr, ntens, nstatv, nprops, noel, npt, layer, kspt, jstep(4), kinc
      integer(c_size_t), value :: cmname_len
    end subroutine umat_lamina
  end interface
#endif
  call umat_lamina(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
                   time, dtime, temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, &
                   nprops, coords, drot, pnewdt, celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc &
#ifdef TVK_BINDC
                   , int(len(cmname), 8) &
#endif
                   )
end subroutine umat

program solver
  implicit none
  integer, parameter :: ntens = 6, nstatv = 30, nprops = 9
  character(len=80) :: cmname
  double precision :: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), sse, spd, scd, rpl
  double precision :: ddsddt(ntens), drplde(ntens), drpldt, stran(ntens), dstran(ntens), time(2)
  double precision :: dtime, temp, dtemp, predef(1), dpred(1), props(nprops), coords(3), drot(3, 3)
  double precision :: pnewdt, celent, dfgrd0(3, 3), dfgrd1(3, 3), e1, e2, nu12, nu21, d, c11, c12
  integer :: jstep(4), i
  cmname = 'PLY'
  stress = 0d0; statev = 0d0; ddsdde = 0d0; sse = 0d0; spd = 0d0; scd = 0d0; rpl = 0d0
  ddsddt = 0d0; drplde = 0d0; drpldt = 0d0; stran = 0d0; dstran = 0d0; time = 0d0
  dtime = 1d0; temp = 0d0; dtemp = 0d0; predef = 0d0; dpred = 0d0; coords = 0d0
  drot = 0d0; dfgrd0 = 0d0; dfgrd1 = 0d0
  do i = 1, 3
    drot(i, i) = 1d0; dfgrd0(i, i) = 1d0; dfgrd1(i, i) = 1d0
  end do
  pnewdt = 1d0; celent = 1d0; jstep = (/1, 1, 0, 0/)
  ! Transversely isotropic in the 2-3 plane, so the 1-2 block has a closed form.
  props = (/140d3, 10d3, 10d3, 0.3d0, 0.3d0, 0.45d0, 5d3, 5d3, 3.448275862068966d3/)
  dstran(1) = 1d-3
  call umat(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
            time, dtime, temp, dtemp, predef, dpred, cmname, 3, 3, ntens, nstatv, props, nprops, &
            coords, drot, pnewdt, celent, dfgrd0, dfgrd1, 1, 1, 1, 1, jstep, 1)
  ! C11 of the orthotropic stiffness with E2 = E3, nu13 = nu12.
  e1 = props(1); e2 = props(2); nu12 = props(4); nu21 = nu12 * e2 / e1
  d = (1d0 - 2d0 * nu12 * nu21 - props(6)**2 - 2d0 * nu12 * nu21 * props(6)) / (e1 * e2 * e2)
  c11 = (1d0 - props(6)**2) / (e2 * e2 * d)
  c12 = (nu21 + nu21 * props(6)) / (e2 * e2 * d)
  if (abs(ddsdde(1, 1) - c11) > 1d-9 * c11) stop 2
  if (abs(ddsdde(2, 1) - c12) > 1d-9 * c11) stop 3
  if (abs(stress(1) - c11 * 1d-3) > 1d-9 * c11) stop 4
  if (abs(sse - 0.5d0 * stress(1) * 1d-3) > 1d-12) stop 5
  if (abs(statev(1) - stress(1)) > 0d0) stop 6
  if (pnewdt /= 1d0) stop 7
  print '(a, es22.15)', 'forwarded umat_lamina: s11 = ', stress(1)
end program solver

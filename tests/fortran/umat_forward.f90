! Forwarding file of a Fortran solver: the solver's one `umat` entry serves every user material of
! a model and hands each point to the library routine its material name selects, and its
! `uexternaldb` hands the analysis-control calls to the library's hook. Copy it next to
! the solver's user routines, adapt the dispatch table and the message unit, compile it with the
! solver's own flags and link the library (see the README, "Connecting a solver").
!
! - The library's routines are reached through bind(C) interfaces under their exact names, so the
!   file links whatever name decoration the solver's compiler gives its own `umat` (umat_ with
!   gfortran's default, umat with -fno-underscoring). The length of the 80-character material name
!   is passed explicitly, as a size_t value after the last argument.
! - Dispatch by material name: the first characters, in any letter case. A solver may change the
!   name before the call (CalculiX upper-cases it and strips a leading "ABAQUS"); the routines that
!   read tags at fixed character positions of the name (umat_resin) see the name as it arrives.
! - After every library call, material routine or hook, the error record is read: a report is
!   written with its level and where it arose (the material, the element and the integration
!   point, or the analysis-control operation) to unit tvk_message_unit, and the record is cleared
!   so that the next call's first report is seen.
! - The record is one per thread. A solver that runs its material points in several threads
!   (CalculiX) gets each point's report in the thread that computed the point, so it is read right
!   after the call, in that thread, and written with that point's element; the analysis-control
!   hook reports in the solver's main thread, which reads it there.
! - pnewdt: the library's routines receive 1 and lower it to ask for a smaller increment. A request
!   (a value below 1) reaches the solver as the smaller of its own value and the request; a solver
!   that passes 0 or a negative value for "no request yet" gets the request itself. Without a
!   request the solver's value is left as it came.
module tvk_forwarding
  use, intrinsic :: iso_c_binding, only: c_double, c_int, c_char, c_size_t, c_null_char
  implicit none
  private
  public :: tvk_message_unit, tvk_report, tvk_report_at, tvk_umat_list

  ! Unit for the library's reports: 6 is standard output (CalculiX); Abaqus/Standard writes its
  ! message file on unit 7.
  integer, save :: tvk_message_unit = 6

  ! The implicit material-routine argument list of the library (every argument by reference, the
  ! material name as 80 characters followed by its length).
  abstract interface
    subroutine tvk_umat_list(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, &
                             stran, dstran, time, dtime, temp, dtemp, predef, dpred, cmname, ndi, &
                             nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt, celent, &
                             dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc, cmname_len) bind(C)
      import :: c_double, c_int, c_char, c_size_t
      real(c_double) :: stress(*), statev(*), ddsdde(*), sse, spd, scd, rpl, ddsddt(*), drplde(*)
      real(c_double) :: drpldt, stran(*), dstran(*), time(2), dtime, temp, dtemp, predef(*), dpred(*)
      real(c_double) :: props(*), coords(3), drot(9), pnewdt, celent, dfgrd0(9), dfgrd1(9)
      character(kind=c_char) :: cmname(80)
      integer(c_int) :: ndi, nshr, ntens, nstatv, nprops, noel, npt, layer, kspt, jstep(4), kinc
      integer(c_size_t), value :: cmname_len
    end subroutine tvk_umat_list
  end interface

  ! The error record of the library (src/core/tvk_error.h).
  interface
    function tvk_error_level() bind(C, name="tvk_error_level")
      import :: c_int
      integer(c_int) :: tvk_error_level
    end function tvk_error_level
    function tvk_error_message(buf, n) bind(C, name="tvk_error_message")
      import :: c_char, c_size_t
      character(kind=c_char) :: buf(*)
      integer(c_size_t), value :: n
      integer(c_size_t) :: tvk_error_message
    end function tvk_error_message
    subroutine tvk_error_clear() bind(C, name="tvk_error_clear")
    end subroutine tvk_error_clear
  end interface

contains

  ! Writes the recorded report of a material point, if any, with the material, element and point,
  ! and clears it.
  subroutine tvk_report(cmname, noel, npt)
    character(len=*), intent(in) :: cmname
    integer, intent(in) :: noel, npt
    character(len=160) :: where
    if (tvk_error_level() == 0) return
    write (where, '(3a, i0, a, i0)') 'for material ', trim(cmname), ' at element ', noel, ' point ', npt
    call tvk_report_at(trim(where))
  end subroutine tvk_report

  ! Writes the recorded report, if any, saying where it arose, and clears it.
  subroutine tvk_report_at(where)
    character(len=*), intent(in) :: where
    character(kind=c_char) :: buf(81)
    character(len=80) :: text
    integer(c_size_t) :: length
    integer :: level, k
    level = tvk_error_level()
    if (level == 0) return
    length = tvk_error_message(buf, size(buf, kind=c_size_t))
    text = ' '
    do k = 1, min(int(length), len(text))
      if (buf(k) == c_null_char) exit
      text(k:k) = buf(k)
    end do
    write (tvk_message_unit, '(a, i0, 4a)') ' tolvek report level ', level, ' ', where, ': ', trim(text)
    call tvk_error_clear()
  end subroutine tvk_report_at

end module tvk_forwarding

subroutine umat(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
                time, dtime, temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, nprops, &
                coords, drot, pnewdt, celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc)
  use, intrinsic :: iso_c_binding, only: c_double, c_size_t
  use tvk_forwarding
  implicit none
  character(len=80) :: cmname
  integer :: ndi, nshr, ntens, nstatv, nprops, noel, npt, layer, kspt, jstep(4), kinc
  double precision :: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), sse, spd, scd, rpl
  double precision :: ddsddt(ntens), drplde(ntens), drpldt, stran(ntens), dstran(ntens), time(2)
  double precision :: dtime, temp, dtemp, predef(1), dpred(1), props(nprops), coords(3), drot(3, 3)
  double precision :: pnewdt, celent, dfgrd0(3, 3), dfgrd1(3, 3)

  ! The library routines this model uses, by their exact names.
  procedure(tvk_umat_list), bind(C, name="umat_lamina") :: umat_lamina
  procedure(tvk_umat_list), bind(C, name="umat_resin") :: umat_resin
  procedure(tvk_umat_list), bind(C, name="umat_hyper") :: umat_hyper
  procedure(tvk_umat_list), pointer :: routine
  character(len=5) :: key
  real(c_double) :: request
  integer :: k, c

  ! The material name's first characters, upper-cased, select the routine: PLY... the ply
  ! routine, RESIN... the resin routine, HYPER... the hyperelastic ply routine.
  key = cmname(1:5)
  do k = 1, len(key)
    c = iachar(key(k:k))
    if (c >= iachar('a') .and. c <= iachar('z')) key(k:k) = achar(c - 32)
  end do
  if (key(1:3) == 'PLY') then
    routine => umat_lamina
  else if (key == 'RESIN') then
    routine => umat_resin
  else if (key == 'HYPER') then
    routine => umat_hyper
  else
    write (tvk_message_unit, '(3a)') ' tolvek: no library routine for material ', trim(cmname), &
      '; the forwarding file dispatches PLY..., RESIN... and HYPER...'
    ! Replace by the solver's own stop routine (Abaqus: call xit).
    error stop 'tolvek forwarding: unknown material'
  end if

  request = 1d0
  call routine(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
               time, dtime, temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, &
               nprops, coords, drot, request, celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, &
               kinc, int(len(cmname), c_size_t))
  if (request < 1d0) then
    if (pnewdt <= 0d0 .or. request < pnewdt) pnewdt = request
  end if
  call tvk_report(cmname, noel, npt)
end subroutine umat

! The solver's analysis-control hook (Abaqus/Standard and CalculiX call it at the start and end of
! the analysis and of every increment): forwarded to the library's UEXTERNALDB_IOControl, whose
! reports (a deck that cannot be opened, a card that cannot be read) are written like those of a
! material point.
subroutine uexternaldb(lop, lrestart, time, dtime, kstep, kinc)
  use, intrinsic :: iso_c_binding, only: c_int, c_double, c_ptr, c_null_ptr
  use tvk_forwarding
  implicit none
  integer :: lop, lrestart, kstep, kinc
  double precision :: time(2), dtime
  character(len=48) :: where
  interface
    ! The library's hook; its last argument, exflag, is optional and passed as a null pointer.
    subroutine UEXTERNALDB_IOControl(lop, lrestart, time, dtime, kstep, kinc, exflag) &
        bind(C, name="UEXTERNALDB_IOControl")
      import :: c_int, c_double, c_ptr
      integer(c_int) :: lop, lrestart, kstep, kinc
      real(c_double) :: time(2), dtime
      type(c_ptr), value :: exflag
    end subroutine UEXTERNALDB_IOControl
  end interface
  call UEXTERNALDB_IOControl(lop, lrestart, time, dtime, kstep, kinc, c_null_ptr)
  write (where, '(a, i0, a, i0)') 'in analysis control lop ', lop, ' step ', kstep
  call tvk_report_at(trim(where))
end subroutine uexternaldb

! Plays a Fortran solver that calls the forwarding file's umat (decorated as umat_ by gfortran's
! default) and passes pnewdt = -1 for "no request": a ply point against the closed form of its
! stiffness, a hyperelastic point whose packed stiffness is that tangent, a resin point with too
! few constants, a ply point with a non-finite strain, an analysis start that finds no input deck
! and its release, and (with the argument "unknown") a material that no routine serves. The
! reports go to a scratch unit and are read back.
program solver
  use, intrinsic :: ieee_arithmetic, only: ieee_value, ieee_quiet_nan
  use tvk_forwarding, only: tvk_message_unit
  implicit none
  integer, parameter :: ntens = 6, nstatv = 40
  character(len=80) :: cmname, arg
  character(len=200) :: line
  double precision :: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), sse, spd, scd, rpl
  double precision :: ddsddt(ntens), drplde(ntens), drpldt, stran(ntens), dstran(ntens), time(2)
  double precision :: dtime, temp, dtemp, predef(1), dpred(1), coords(3), drot(3, 3)
  double precision :: pnewdt, celent, dfgrd0(3, 3), dfgrd1(3, 3)
  double precision :: ply(9), packed(21), tangent(ntens, ntens), expected(ntens), nan, scale
  double precision :: e1, e2, nu12, nu21, nu23, d, c11, c12
  integer :: jstep(4), i, j, k, unit, ios, nlines
  logical :: resin_line, ply_line, start_line
  external :: uexternaldb

  open (newunit=unit, status='scratch', action='readwrite')
  tvk_message_unit = unit
  call get_command_argument(1, arg)
  if (arg == 'unknown') then
    tvk_message_unit = 6
    call reset()
    cmname = 'STEEL'
    call point(ply, 9, 1, 1)
    stop 20
  end if

  ! Transversely isotropic in the 2-3 plane (nine constants in the Nye order), so C11 and C12
  ! have a closed form.
  ply = (/140d3, 10d3, 10d3, 0.3d0, 0.3d0, 0.45d0, 5d3, 5d3, 3.448275862068966d3/)
  e1 = ply(1); e2 = ply(2); nu12 = ply(4); nu23 = ply(6); nu21 = nu12 * e2 / e1
  d = (1d0 - 2d0 * nu12 * nu21 - nu23**2 - 2d0 * nu12 * nu21 * nu23) / (e1 * e2 * e2)
  c11 = (1d0 - nu23**2) / (e2 * e2 * d)
  c12 = (nu21 + nu21 * nu23) / (e2 * e2 * d)

  ! 1. Ply point, lower case name: the ply routine; no request leaves pnewdt at -1.
  call reset()
  cmname = 'ply_t300'
  dstran(1) = 1d-3
  call point(ply, 9, 1, 1)
  if (abs(ddsdde(1, 1) - c11) > 1d-9 * c11 .or. abs(ddsdde(2, 1) - c12) > 1d-9 * c11) stop 2
  if (abs(stress(1) - c11 * 1d-3) > 1d-9 * c11) stop 3
  if (abs(sse - 0.5d0 * stress(1) * 1d-3) > 1d-12) stop 4
  if (pnewdt /= -1d0) stop 5
  tangent = ddsdde

  ! 2. Hyperelastic point: the same stiffness packed as its upper triangle column by column
  ! (D1111, D1122, D2222, D1133, ...); the stress is that stiffness times the total strain.
  call reset()
  cmname = 'HYPER_T300'
  k = 0
  do j = 1, ntens
    do i = 1, j
      k = k + 1
      packed(k) = tangent(i, j)
    end do
  end do
  stran = (/1d-4, -2d-4, 5d-5, 3d-4, 0d0, -1d-4/)
  dstran = (/2d-4, 1d-4, 0d0, -1d-4, 2d-4, 0d0/)
  call point(packed, 21, 2, 4)
  expected = matmul(tangent, stran + dstran)
  scale = maxval(abs(expected))
  if (maxval(abs(stress - expected)) > 1d-9 * scale) stop 6
  if (maxval(abs(ddsdde - tangent)) > 1d-6 * c11) stop 7
  if (pnewdt /= -1d0) stop 8

  ! 3. Resin point with three constants: refused, reported with its element and point, and the
  ! record cleared by the forwarding file.
  call reset()
  cmname = 'RESIN'
  dstran(1) = 1d-3
  call point(ply, 3, 7, 3)

  ! 4. Ply point with a non-finite strain: stress kept, zero tangent, and a cut-back request that
  ! reaches a solver passing -1.
  call reset()
  cmname = 'PLY'
  stress = 5d0
  nan = ieee_value(nan, ieee_quiet_nan)
  dstran(2) = nan
  ddsdde = 1d0
  call point(ply, 9, 11, 2)
  if (.not. (pnewdt > 0d0 .and. pnewdt <= 0.5d0)) stop 9
  if (any(stress /= 5d0) .or. any(ddsdde /= 0d0)) stop 10

  ! A request below the solver's own smaller value keeps the smaller one.
  call reset()
  dstran(2) = nan
  pnewdt = 0.1d0
  call point(ply, 9, 11, 2)
  if (pnewdt /= 0.1d0) stop 11

  ! 5. Analysis start without a job path: no deck to scan, reported by the hook and read by the
  ! forwarding file; the release that follows reports nothing.
  time = 0d0
  call uexternaldb(0, 0, time, 0d0, 1, 0)
  call uexternaldb(3, 0, time, 0d0, 1, 0)

  ! The reports: resin at element 7 point 3, the ply at element 11 point 2 (twice), the start.
  rewind (unit)
  nlines = 0
  resin_line = .false.
  ply_line = .false.
  start_line = .false.
  do
    read (unit, '(a)', iostat=ios) line
    if (ios /= 0) exit
    nlines = nlines + 1
    print '(a)', trim(line)
    ! The resin routine's own message names it (or the material).
    k = index(line, 'material RESIN at element 7 point 3: ')
    if (k > 0) resin_line = index(line(k + 37:), 'resin') > 0 .or. index(line(k + 37:), 'RESIN') > 0
    if (index(line, 'material PLY at element 11 point 2: ') > 0) ply_line = .true.
    if (index(line, 'level -3 in analysis control lop 0 step 1: Cannot process any input file.') > 0) &
      start_line = .true.
  end do
  if (nlines /= 4 .or. .not. resin_line .or. .not. ply_line .or. .not. start_line) stop 12
  print '(a)', 'forwarding file: ply, hyperelastic and resin points dispatched, reports written, cut-back passed on, ' // &
    'analysis-control reports written'

contains

  subroutine reset()
    stress = 0d0; statev = 0d0; ddsdde = 0d0; sse = 0d0; spd = 0d0; scd = 0d0; rpl = 0d0
    ddsddt = 0d0; drplde = 0d0; drpldt = 0d0; stran = 0d0; dstran = 0d0; time = 0d0
    dtime = 1d0; temp = 293d0; dtemp = 0d0; predef = 0d0; dpred = 0d0; coords = 0d0
    drot = 0d0; dfgrd0 = 0d0; dfgrd1 = 0d0
    do i = 1, 3
      drot(i, i) = 1d0; dfgrd0(i, i) = 1d0; dfgrd1(i, i) = 1d0
    end do
    pnewdt = -1d0; celent = 1d0; jstep = (/1, 1, 0, 0/)
  end subroutine reset

  ! One call of the solver's umat at element noel, integration point npt.
  subroutine point(props, nprops, noel, npt)
    integer, intent(in) :: nprops, noel, npt
    double precision, intent(in) :: props(nprops)
    external :: umat
    call umat(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, &
              time, dtime, temp, dtemp, predef, dpred, cmname, 3, 3, ntens, nstatv, props, nprops, &
              coords, drot, pnewdt, celent, dfgrd0, dfgrd1, noel, npt, 1, 1, jstep, 1)
  end subroutine point

end program solver

// Python entry points of the point-in-shape tests (namespace `imageprocessing`).
#include "engine/bind.h"

#include "core/shapes.h"

TVK_ROUTINE(imageprocessing, getpointonxyplane, GetPointOnXYPlane,
            "xycoord:f8(2):out point:f8(3) origin:f8(3) xyplane:f8(3,3) theta:f8");
TVK_ROUTINE(imageprocessing, polygon, Polygon, "polygon:f8:ret px:f8 py:f8 xx:f8(n) yy:f8(n) n:i4");
TVK_ROUTINE(imageprocessing, projectedpointinpolygon, ProjectedPointInPolygon,
            "projectedpointinpolygon:l4:ret point:f8(3) xypairs:f8(npoints,2) theta:f8 "
            "refcoords:f8(3) refcos:f8(3,3) npoints:i4");
// An omitted xyorigin reaches the routines as (0, 0), the default.
TVK_ROUTINE(imageprocessing, ellipse, Ellipse, "ellipse:f8:ret x:f8 y:f8 a:f8 b:f8 xyorigin:f8(2):opt");
TVK_ROUTINE(imageprocessing, rectangle, Rectangle,
            "rectangle:f8:ret x:f8 y:f8 a:f8 b:f8 xyorigin:f8(2):opt");
TVK_ROUTINE(imageprocessing, projectedpointinshape, ProjectedPointInShape,
            "projectedpointinshape:l4:ret point:f8(3) a:f8 b:f8 theta:f8 refcoords:f8(3) "
            "refcos:f8(3,3) shapeid:i4");
TVK_ROUTINE(imageprocessing, line, Line, "line:f8:ret x:f8 y:f8 a:f8(2) b:f8(2) proximity:f8:opt=1e-5");

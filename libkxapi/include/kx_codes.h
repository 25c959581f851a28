/* Status codes of the interface, listed once, band by band.
 *
 * Every module owns a band of codes (a base that is a multiple of 5000).
 * Each band's codes are one list KX_<BAND>_CODES(X) of entries
 * X(name, code, text); from it expand the public constants below, the
 * library's own names for them and the band's message table, whose texts
 * KX_get_fail_message returns exactly as they stand here (spelling
 * included). A program writes the names; the numbers are fixed.
 *
 * Valid C. */
#ifndef KX_CODES_H
#define KX_CODES_H

/* The first code of each band. */
enum kx_band {
    KX_BAND_GENERAL = 1105000,    /* general codes of the interface */
    KX_BAND_CSYS = 1100000,       /* coordinate systems */
    KX_BAND_PLOT = 1130000,       /* plotting */
    KX_BAND_OBJ = 1155000,        /* objects */
    KX_BAND_VIEW = 1170000,       /* views and layouts */
    KX_BAND_DRF = 1175000,        /* annotation and drafting preferences */
    KX_BAND_UI = 1190000,         /* user interface: listing window and selection */
    KX_BAND_CAM = 1345000,        /* manufacturing */
    KX_BAND_DISP = 1390000,       /* display and analysis of dimensions, arcs and surfaces */
    KX_BAND_DRAW = 1405000,       /* drawings, section lines and views */
    KX_BAND_SMD = 1465000,        /* sheet-metal design */
    KX_BAND_CURVE = 1480000,      /* curve geometry: points, lines, arcs, conics and splines */
    KX_BAND_STL = 1570000,        /* STL output */
    KX_BAND_CAM_PREPRO = 1930000, /* CAM pre-processing */
    KX_BAND_SO = 1995000,         /* smart objects */
    KX_BAND_CLONE = 3025000,      /* cloning */
    KX_BAND_FEM = 1765000,        /* finite elements: registered by its module, which brings the texts */
};

/* general codes of the interface */
#define KX_GENERAL_CODES(X)                                                                                       \
    X(KX_ERR_NOT_INITIALIZED, 1105000, "KX_initialize must be called by main routine")                            \
    X(KX_ERR_NOT_CALLABLE_INTERNAL, 1105001, "Subroutine is not callable from internal kestrix extension")        \
    X(KX_ERR_INIT_AFTER_TERMINATE, 1105002, "KX_initialize may not be called once KX_terminate is called")        \
    X(KX_ERR_BAD_PARAM_1, 1105004, "The first parameter passed in was invalid")                                   \
    X(KX_ERR_BAD_PARAM_2, 1105005, "The second parameter passed in was invalid")                                  \
    X(KX_ERR_BAD_PARAM_3, 1105006, "The third parameter passed in was invalid")                                   \
    X(KX_ERR_BAD_PARAM_4, 1105007, "The fourth parameter passed in was invalid")                                  \
    X(KX_ERR_KLAM_NOT_INITIALIZED, 1105008, "KLAM calling Kestrix Extension has not been initialized correctly.") \
    X(KX_ERR_KLAM_ARG_COUNTS, 1105009, "KLAM calling Kestrix Extension argument counts do not agree.")            \
    X(KX_ERR_KLAM_ARG_TYPES, 1105010, "KLAM calling Kestrix Extension argument types do not agree.")              \
    X(KX_ERR_KLAM_ARG_SIZES, 1105011, "KLAM calling Kestrix Extension argument sizes do not agree.")              \
    X(KX_PART_ERR_NOT_LOADED, 1105012, "A part must be loaded to use this function")                              \
    X(KX_ERR_BAD_PARAM_5, 1105013, "The fifth parameter passed in was invalid")                                   \
    X(KX_ERR_BAD_PARAM_6, 1105014, "The sixth parameter passed in was invalid")                                   \
    X(KX_ERR_BAD_PARAM_7, 1105015, "The seventh parameter passed in was invalid")                                 \
    X(KX_ERR_BAD_PARAM_8, 1105016, "The eigth parameter passed in was invalid")                                   \
    X(KX_ERR_BAD_FUNCTION_TYPE, 1105017, "Invalid type of function specified")                                    \
    X(KX_ERR_RUN_DIALOG_EXIT, 1105018, "Unable to exit from the Run Dialog")                                      \
    X(KX_ERR_BAD_LIBRARY, 1105019, "Invalid library specified")                                                   \
    X(KX_ERR_NO_ENTRY_POINT, 1105020, "Entry point not found in library")                                         \
    X(KX_ERR_LIBRARY_LOAD_MEMORY, 1105021, "Out of memory during library load")                                   \
    X(KX_ERR_LIBRARY_LOAD, 1105022, "Unexpected library load error")                                              \
    X(KX_ERR_NOT_SUPPORTED, 1105023, "The function is not supported on this platform")                            \
    X(KX_ERR_NOT_FULLY_LOADED, 1105024, "The operation must be performed in a fully loaded part")                 \
    X(KX_ERR_NO_WORK_PART, 1105025, "The operation requires a work part to be present")                           \
    X(KX_ERR_NO_PRINTER, 1105026, "There is no default printer, or the printer setting is wrong.")                \
    X(KX_ERR_BAD_PARAM_9, 1105027, "The nineth parameter passed in was invalid")                                  \
    X(KX_ERR_BAD_PARAM_10, 1105028, "The tenth parameter passed in was invalid")                                  \
    X(KX_ERR_JQMANAGER_NOT_ACTIVE, 1105030, "JQ/Manager is not active.")                                          \
    X(KX_ERR_ONLY_ASCII, 1105031, "Only ASCII data is supported")

/* coordinate systems */
#define KX_CSYS_CODES(X) X(KX_CSYS_ERR_BAD_SPACE, 1100000, "The input coordinate system is invalid")

/* plotting */
#define KX_PLOT_CODES(X)                                                                 \
    X(KX_PLOT_ERR_PLOT_ERROR, 1130000, "Plot error!")                                    \
    X(KX_PLOT_ERR_INVALID_KXAPI_MODE, 1130001, "Invalid kxapi mode!")                    \
    X(KX_PLOT_ERR_CANNOT_CONNECT_PLOT_SERVER, 1130002, "Cannot connect to plot server!") \
    X(KX_PLOT_ERR_PLOT_QUEUE_NOT_FOUND, 1130003, "Plot queue not found!")                \
    X(KX_PLOT_ERR_BAD_DRAWING_NAME, 1130004, "Bad drawing name!")                        \
    X(KX_PLOT_ERR_NO_PLOT_QUEUES_SERVER, 1130005, "No plot queues on server!")           \
    X(KX_PLOT_ERR_PLOT_SERVER_ERROR, 1130006, "Plot server error!")                      \
    X(KX_PLOT_ERR_NO_FILE_FOUND, 1130007, "No file found!")                              \
    X(KX_PLOT_ERR_JOBNAME_STRING_TOO_LONG, 1130008, "Jobname string too long!")          \
    X(KX_PLOT_ERR_PAUSE_MESSAGE_TOO_LONG, 1130009, "Pause message too long!")            \
    X(KX_PLOT_ERR_INVALID_PLOTTER_QUEUE_NAME, 1130010, "Invalid plotter queue name!")    \
    X(KX_PLOT_ERR_NODE_STRING_TOO_LONG, 1130011, "Node string too long!")                \
    X(KX_PLOT_ERR_BANNER_MESSAGE_TOO_LONG, 1130012, "Banner message too long!")          \
    X(KX_PLOT_ERR_OPTION_OUT_RANGE, 1130013, "Option out of range!")                     \
    X(KX_PLOT_ERR_ROTATION_OUT_RANGE, 1130014, "Rotation out of range!")                 \
    X(KX_PLOT_ERR_SCALE_ZERO_NOT_ALLOWED, 1130015, "Scale of zero not allowed!")         \
    X(KX_PLOT_ERR_INVALID_PEN_TYPE, 1130016, "Invalid pen type!")                        \
    X(KX_PLOT_ERR_PLOT_SERVER_NOT_ACTIVE, 1130017, "Plot server not active!")            \
    X(KX_PLOT_ERR_UNABLE_CREATE_PLOT_FILE, 1130018, "Unable to create plot file!")       \
    X(KX_PLOT_ERR_UNABLE_OPEN_PLOT_FILE, 1130019, "Unable to open plot file!")           \
    X(KX_PLOT_ERR_INVALID_NON_POSITIVE_TOLERANCE, 1130020, "Invalid, non-positive, tolerance!")

/* objects */
#define KX_OBJ_CODES(X)                                                                                \
    X(KX_OBJ_ERR_CANNOT_DELETE, 1155000, "The input object cannot be deleted in KX_OBJ_delete_object") \
    X(KX_OBJ_ERR_NO_NAME, 1155001, "Object has no name assigned to it")                                \
    X(KX_OBJ_ERR_VIEW_NAME, 1155003, "Cannot modify view name with KX_OBJ_set_name")

/* views and layouts */
#define KX_VIEW_CODES(X)                                                                                             \
    X(KX_VIEW_ERR_SPECIFIED_VIEW_NOT_CURRENT, 1170000, "The specified view is not in the current layout")            \
    X(KX_VIEW_ERR_FUNCTION_REQUIRES_ACTIVE_LAYOUT, 1170001, "Function requires an active layout")                    \
    X(KX_VIEW_ERR_NO_VIEW_EXISTS_SPECIFIED, 1170002, "No view exists with specified name")                           \
    X(KX_VIEW_ERR_CURRENT_LAYOUT_DRAWING, 1170003, "Current layout is a drawing")                                    \
    X(KX_VIEW_ERR_SPECIFIED_VIEW_NOT_WORK, 1170004, "Specified view is not work view on current drawing")            \
    X(KX_VIEW_ERR_DISPLAY_MODE_SPECIFIED_OUT, 1170005, "Display mode specified out of range")                        \
    X(KX_VIEW_ERR_HIDDEN_MODE_SPECIFIED_OUT, 1170006, "Hidden mode specified out of range")                          \
    X(KX_VIEW_ERR_SILHOUETTE_MODE_SPECIFIED_OUT, 1170007, "Silhouette mode specified out of range")                  \
    X(KX_VIEW_ERR_SMOOTH_EDGE_MODE_SPECIFIED, 1170008, "Smooth Edge mode specified out of range")                    \
    X(KX_VIEW_ERR_DEPTH_CUE_MODE_SPECIFIED, 1170009, "Depth Cue mode specified out of range")                        \
    X(KX_VIEW_ERR_HARDWARE_SHADING_UNSUPPORTED_WORKSTATION, 1170010,                                                 \
      "Hardware shading unsupported on this workstation")                                                            \
    X(KX_VIEW_ERR_HIDDEN_SURFACE_UNSUPPORTED_WORKSTATION, 1170011, "Hidden Surface unsupported on this workstation") \
    X(KX_VIEW_ERR_DEPTH_CUEING_UNSUPPORTED_WORKSTATION, 1170012, "Depth Cueing unsupported on this workstation")     \
    X(KX_VIEW_ERR_VIEW_TAG_INVALID_OPERATION, 1170013, "View tag is invalid for this operation")                     \
    X(KX_VIEW_ERR_DRAFTING_VIEW_INVALID_OPERATION, 1170014, "Drafting view invalid for this operation")              \
    X(KX_VIEW_ERR_NO_WORK_VIEW_FOUND, 1170015, "No work view was found")                                             \
    X(KX_VIEW_ERR_NULL_STRING_INVALID_NAME, 1170016, "A null string is invalid for the name of the new view")        \
    X(KX_VIEW_ERR_NAME_NEW_VIEW_HAS, 1170017, "Name of new view has more than KX_OBJ_NAME_LEN chars")                \
    X(KX_VIEW_ERR_VIEW_NAME_CONTAINS_ONE, 1170018, "View name contains one or more invalid character(s)")            \
    X(KX_VIEW_ERR_VIEW_GIVEN_NAME_ALREADY, 1170019, "A view of the given name already exists")                       \
    X(KX_VIEW_ERR_TWO_SIDED_LIGHT_FIELD, 1170020, "two_sided_light field is out of range")                           \
    X(KX_VIEW_ERR_SHININESS_FIELD_OUT_RANGE, 1170021, "shininess field is out of range")                             \
    X(KX_VIEW_ERR_INVALID_LIGHT_NAME_ENTERED, 1170022, "Invalid light name entered")                                 \
    X(KX_VIEW_ERR_INVALID_LIGHT_TYPE_ENTERED, 1170023, "Invalid light type entered")                                 \
    X(KX_VIEW_ERR_INVALID_LIGHT_COUNT_ENTERED, 1170024, "Invalid light count entered")                               \
    X(KX_VIEW_ERR_INVALID_LIGHT_MODE_ENTERED, 1170025, "Invalid light mode entered")                                 \
    X(KX_VIEW_ERR_CURVE_TYPE_UNKNOWN_CLIPPING, 1170026, "Curve type is unknown for clipping operation")              \
    X(KX_VIEW_ERR_INVALID_ARC_CENTER_SPECIFIED, 1170027, "Invalid arc center specified for clipping")                \
    X(KX_VIEW_ERR_ARC_RADIUS_SPECIFIED_TOO, 1170028, "Arc radius specified too small for clipping")                  \
    X(KX_VIEW_ERR_START_ANGLE_LESS_THAN, 1170029, "Start angle must be less than end angle")                         \
    X(KX_VIEW_ERR_INCORRECT_POLYLINE_DEFINITION_SPECIFIED, 1170030,                                                  \
      "Incorrect polyline definition specified for clipping")                                                        \
    X(KX_VIEW_ERR_COINCIDENT_POLYLINE_POINTS_NOT, 1170031, "Coincident polyline points not permitted")               \
    X(KX_VIEW_ERR_INCORRECT_POINT_SPECIFIED_CLIPPING, 1170032, "Incorrect point specified for clipping")             \
    X(KX_VIEW_ERR_VIEW_CONTAIN_BREAK_LINE, 1170033, "View must contain break line boundary")                         \
    X(KX_VIEW_ERR_GENERAL_ERROR_DURING_CLIPPING, 1170034, "General error during clipping")                           \
    X(KX_VIEW_ERR_VIEW_NOT_READY_CLIPPING, 1170035, "View not ready for clipping")                                   \
    X(KX_VIEW_ERR_INTERNAL_DATA_STRUCTURE_INVALID, 1170036, "Internal data structure invalid for clipping")          \
    X(KX_VIEW_ERR_PARAMETER_TAG_NULL, 1170037, "Parameter tag is null")                                              \
    X(KX_VIEW_ERR_PARAMETER_NULL_POINTER, 1170038, "Parameter is null pointer")                                      \
    X(KX_VIEW_ERR_PARAMETER_NOT_POSITIVE, 1170039, "Parameter is not positive")                                      \
    X(KX_VIEW_ERR_TOO_FEW_VDE_RECORDS, 1170040, "Too few VDE records")                                               \
    X(KX_VIEW_ERR_OBJECT_NOT_QUALIFIED_CONVERTED, 1170041, "Object not qualified to be converted")                   \
    X(KX_VIEW_ERR_SMOOTH_EDGE_COLOR_SPECIFIED, 1170042, "Smooth Edge color specified out of range")                  \
    X(KX_VIEW_ERR_SMOOTH_EDGE_FONT_SPECIFIED, 1170043, "Smooth Edge font specified out of range")                    \
    X(KX_VIEW_ERR_SMOOTH_EDGE_WIDTH_SPECIFIED, 1170044, "Smooth Edge width specified out of range")                  \
    X(KX_VIEW_ERR_INVALID_VIEW_NAME, 1170052, "Invalid view name")                                                   \
    X(KX_VIEW_ERR_CANNOT_RENAME_CANNED_VIEW, 1170053, "Cannot rename canned view")                                   \
    X(KX_VIEW_ERR_CANNOT_RENAME_DRAWING_VIEW, 1170054, "Cannot rename drawing view")                                 \
    X(KX_VIEW_ERR_CANNOT_RENAME_SKETCH_VIEW, 1170055, "Cannot rename sketch view")                                   \
    X(KX_VIEW_ERR_VIEW_NOT_DISPLAYED, 1170056, "View is not displayed")                                              \
    X(KX_VIEW_ERR_NO_DISPLAYED_PART, 1170057, "No displayed part")                                                   \
    X(KX_VIEW_ERR_VIEW_NOT_DISPLAYED_PART, 1170058, "View not in displayed part")

/* annotation and drafting preferences */
#define KX_DRF_CODES(X)                                                                                               \
    X(KX_DRF_ERR_THERE_INVALID_INPUT_PARAMETER, 1175001, "There is an invalid input parameter.")                      \
    X(KX_DRF_ERR_INPUT_OBJECT_STRUCTURE_NULL, 1175002, "The input object structure is null.")                         \
    X(KX_DRF_ERR_FIRST_INPUT_OBJECT_STRUCTURE, 1175003, "The first input object structure is null.")                  \
    X(KX_DRF_ERR_SECOND_INPUT_OBJECT_STRUCTURE, 1175004, "The second input object structure is null.")                \
    X(KX_DRF_ERR_INPUT_OBJECT_NULL_ENTITY, 1175005, "The input object is a null entity.")                             \
    X(KX_DRF_ERR_FIRST_INPUT_OBJECT_NULL, 1175006, "The first input object is a null entity.")                        \
    X(KX_DRF_ERR_SECOND_INPUT_OBJECT_NULL, 1175007, "The second input object is a null entity.")                      \
    X(KX_DRF_ERR_INPUT_OBJECT_INVALID, 1175008, "The input object is invalid.")                                       \
    X(KX_DRF_ERR_FIRST_INPUT_OBJECT_INVALID, 1175009, "The first input object is invalid.")                           \
    X(KX_DRF_ERR_SECOND_INPUT_OBJECT_INVALID, 1175010, "The second input object is invalid.")                         \
    X(KX_DRF_ERR_OBJECT_ASSOCIATIVITY_TYPE_INVALID, 1175011, "The object associativity type is invalid.")             \
    X(KX_DRF_ERR_FIRST_OBJECT_ASSOCIATIVITY_TYPE, 1175012, "The first object associativity type is invalid.")         \
    X(KX_DRF_ERR_SECOND_OBJECT_ASSOCIATIVITY_TYPE, 1175013, "The second object associativity type is invalid.")       \
    X(KX_DRF_ERR_OBJECT_ASSOCIATIVITY_MODIFIER_INVALID, 1175014, "The object associativity modifier is invalid.")     \
    X(KX_DRF_ERR_FIRST_OBJECT_ASSOCIATIVITY_MODIFIER, 1175015, "The first object associativity modifier is invalid.") \
    X(KX_DRF_ERR_SECOND_OBJECT_ASSOCIATIVITY_MODIFIER, 1175016,                                                       \
      "The second object associativity modifier is invalid.")                                                         \
    X(KX_DRF_ERR_INPUT_OBJECT_VIEW_TAG, 1175017, "The input object view tag is invalid.")                             \
    X(KX_DRF_ERR_CROSSHATCHING_CANNOT_CREATED, 1175018, "Crosshatching cannot be created.")                           \
    X(KX_DRF_ERR_LINEAR_DIMENSION_FORM_INVALID, 1175019, "The linear dimension form is invalid.")                     \
    X(KX_DRF_ERR_ANGULAR_DIMENSION_FORM_INVALID, 1175020, "The angular dimension form is invalid.")                   \
    X(KX_DRF_ERR_CIRCULAR_DIMENSION_FORM_INVALID, 1175021, "The circular dimension form is invalid.")                 \
    X(KX_DRF_ERR_CENTERLINE_DIMENSION_FORM_INVALID, 1175022, "The centerline dimension form is invalid.")             \
    X(KX_DRF_ERR_CYLINDRICAL_DIMENSION_CANNOT_HAVE, 1175023, "The cylindrical dimension cannot have two margins.")    \
    X(KX_DRF_ERR_THERE_INVALID_NUMBER_BOUNDS, 1175024, "There is an invalid number of bounds.")                       \
    X(KX_DRF_ERR_THERE_INVALID_NUMBER_OBJECTS, 1175025, "There is an invalid number of objects.")                     \
    X(KX_DRF_ERR_OBJECTS_NOT_SAME_VIEW, 1175026, "The objects are not in the same view.")                             \
    X(KX_DRF_ERR_FIRST_OBJECT_CANNOT_POINT, 1175027, "The first object cannot be a point.")                           \
    X(KX_DRF_ERR_TWO_CONSECUTIVE_POINTS_NOT, 1175028, "Two consecutive points are not allowed.")                      \
    X(KX_DRF_ERR_MAXIMUM_BOUNDARY_LIMIT_EXCEEDED, 1175029, "The maximum boundary limit is exceeded.")                 \
    X(KX_DRF_ERR_FOLD_LOCATION_NOT_SPECIFIED, 1175030, "A fold location is not specified.")                           \
    X(KX_DRF_ERR_ORIGIN_NOT_SPECIFIED, 1175031, "An origin is not specified.")                                        \
    X(KX_DRF_ERR_THERE_NO_TEXT, 1175032, "There is no text.")                                                         \
    X(KX_DRF_ERR_THERE_TOO_MANY_CHARACTERS, 1175033, "There are too many characters in the line.")                    \
    X(KX_DRF_ERR_THERE_TOO_MANY_CHARACTERS_2, 1175034, "There are too many characters in the text.")                  \
    X(KX_DRF_ERR_LEADER_MODE_INVALID, 1175035, "The leader mode is invalid.")                                         \
    X(KX_DRF_ERR_LEADER_TYPE_INVALID, 1175036, "The leader type is invalid.")                                         \
    X(KX_DRF_ERR_LEADER_ATTACHMENT_TYPE_INVALID, 1175037, "The leader attachment type is invalid.")                   \
    X(KX_DRF_ERR_FRAME_CORNER_INVALID, 1175038, "The frame corner is invalid.")                                       \
    X(KX_DRF_ERR_ID_SYMBOL_TYPE_INVALID, 1175039, "The id symbol type is invalid.")                                   \
    X(KX_DRF_ERR_THERE_NO_OBJECTS, 1175040, "There are no objects.")                                                  \
    X(KX_DRF_ERR_THERE_TOO_MANY_OBJECTS, 1175041, "There are too many objects.")                                      \
    X(KX_DRF_ERR_CENTERLINE_FORM_REQUIRES_1, 1175042, "The centerline form requires 1 object.")                       \
    X(KX_DRF_ERR_CENTERLINE_FORM_REQUIRES_2, 1175043, "The centerline form requires 2 objects.")                      \
    X(KX_DRF_ERR_CENTERLINE_FORM_REQUIRES_3, 1175044, "The centerline form requires 3 or more objects.")              \
    X(KX_DRF_ERR_POINTS_COINCIDENT, 1175045, "The points are coincident.")                                            \
    X(KX_DRF_ERR_POINT_NOT_CENTERLINE, 1175046, "The point is not on the centerline.")                                \
    X(KX_DRF_ERR_POINT_COINCIDENT_CENTER, 1175047, "The point is coincident with the center.")                        \
    X(KX_DRF_ERR_POINTS_COLLINEAR, 1175048, "The points are collinear.")                                              \
    X(KX_DRF_ERR_CENTERLINE_REQUIRES_ARC_POINT, 1175049, "The centerline requires an arc or a point.")                \
    X(KX_DRF_ERR_CENTER_POINT_REQUIRES_ARC, 1175050, "The center point requires an arc or a point.")                  \
    X(KX_DRF_ERR_OFFSET_CENTER_POINT_REQUIRES, 1175051, "The offset center point requires an arc or a point.")        \
    X(KX_DRF_ERR_OFFSET_CENTER_POINT_REQUIRES_2, 1175052, "The offset center point requires an arc.")                 \
    X(KX_DRF_ERR_DRAWING_ACTIVE, 1175053, "The drawing is active.")                                                   \
    X(KX_DRF_ERR_MODEL_OBJECTS_DRAWING, 1175054, "Model objects are on the drawing.")                                 \
    X(KX_DRF_ERR_DIMENSION_NOT_DRAWING_OBJECT, 1175055, "The dimension is not a drawing object.")                     \
    X(KX_DRF_ERR_CROSSHATCH_DEFINITION_FILE_NOT, 1175056, "The crosshatch definition file is not found.")             \
    X(KX_DRF_ERR_UNABLE_CLOSE_CROSSHATCH_DEFINITION, 1175057, "Unable to close the crosshatch definition file.")      \
    X(KX_DRF_ERR_MATERIAL_DEFINITION_NOT_FOUND, 1175058, "The material definition is not found.")                     \
    X(KX_DRF_ERR_UNKNOWN_ERROR_HAS_OCCURRED, 1175059, "An unknown error has occurred.")                               \
    X(KX_DRF_ERR_UNRECOVERABLE_ERROR_HAS_OCCURRED, 1175060, "An unrecoverable error has occurred.")                   \
    X(KX_DRF_ERR_INPUT_NOT_VALID_PARAMETER, 1175061, "Input is not a valid parameter.")                               \
    X(KX_DRF_ERR_VIEW_DOES_NOT_EXIST, 1175062, "View does not exist.")                                                \
    X(KX_DRF_ERR_INPUT_TAG_NULL, 1175063, "Input tag is null.")                                                       \
    X(KX_DRF_ERR_THERE_NO_BOUNDARIES, 1175064, "There are no boundaries.")                                            \
    X(KX_DRF_ERR_THERE_NO_BOUNDARY_MEMBERS, 1175065, "There are no boundary members.")                                \
    X(KX_DRF_ERR_TEXT_NOT_FOUND, 1175066, "The text is not found.")                                                   \
    X(KX_DRF_ERR_SYMBOL_DATA_NOT_FOUND, 1175067, "The symbol data is not found.")                                     \
    X(KX_DRF_ERR_INPUT_TAG_NOT_LABEL, 1175068, "Input tag is not a label.")                                           \
    X(KX_DRF_ERR_INPUT_TAG_NOT_ID, 1175069, "Input tag is not an ID symbol.")                                         \
    X(KX_DRF_ERR_INPUT_TAG_NOT_GD, 1175070, "Input tag is not a GD&T symbol.")                                        \
    X(KX_DRF_ERR_INPUT_TAG_NOT_DIMENSION, 1175071, "Input tag is not a dimension.")                                   \
    X(KX_DRF_ERR_INPUT_TAG_NOT_CENTERLINE, 1175072, "Input tag is not a centerline.")                                 \
    X(KX_DRF_ERR_INPUT_TAG_NOT_FOLDED, 1175073, "Input tag is not a folded radius dimension.")                        \
    X(KX_DRF_ERR_INPUT_TAG_NOT_ORDINATE, 1175074, "Input tag is not an ordinate origin.")                             \
    X(KX_DRF_ERR_INPUT_TAG_NOT_ORDINATE_2, 1175075, "Input tag is not an ordinate margin.")                           \
    X(KX_DRF_ERR_LINE_ASSOCIATIVITY_TYPE_INVALID, 1175076, "The line associativity type is invalid.")                 \
    X(KX_DRF_ERR_INPUT_OBJECT_NOT_LINEAR, 1175077, "The input object is not linear.")                                 \
    X(KX_DRF_ERR_THERE_NO_MARGINS_CONVERTED, 1175078, "There are no margins to be converted.")                        \
    X(KX_DRF_ERR_ARC_NOT_SAME_VIEW, 1175079, "The arc is not in the same view.")                                      \
    X(KX_DRF_ERR_KX_DRF_SET_PREFERENCES, 1175080, "kx_drf_set_preferences - Error in k25h7pa.")                       \
    X(KX_DRF_ERR_OBJECT_NOT_CYLINDRICAL_DIMENSION, 1175081, "The object is not a cylindrical dimension.")             \
    X(KX_DRF_ERR_SYMBOL_NAME_ILLEGAL, 1175082, "The symbol name is illegal.")                                         \
    X(KX_DRF_ERR_SYMBOL_NAME_ALREADY_EXISTS, 1175083, "The symbol name already exists.")                              \
    X(KX_DRF_ERR_SYMBOL_NAME_DOES_NOT, 1175084, "The symbol name does not exist.")                                    \
    X(KX_DRF_ERR_CANNOT_OPEN_CURRENT_SBF, 1175085, "Cannot open the current .sbf file.")                              \
    X(KX_DRF_ERR_THERE_NO_CURRENT_SBF, 1175086, "There is no current .sbf file name.")                                \
    X(KX_DRF_ERR_OBJECT_NOT_VALID_ANCHOR, 1175087, "The object is not a valid anchor point.")                         \
    X(KX_DRF_ERR_ANCHOR_POINT_ORIENTATION_POINT, 1175088, "The anchor point and orientation point are coincident.")   \
    X(KX_DRF_ERR_CANNOT_PROCESS_SYMBOL_FONT, 1175089, "Cannot process the symbol font parameters.")                   \
    X(KX_DRF_ERR_OBJECTS_SYMBOL_FONT_INVALID, 1175090, "The objects in the symbol font are invalid.")                 \
    X(KX_DRF_ERR_OBJECT_NOT_DRAFTING_OBJECT, 1175091, "The object is not a drafting object.")                         \
    X(KX_DRF_ERR_SYMBOL_HAS_NO_VALID, 1175092, "The symbol has no valid components.")                                 \
    X(KX_DRF_ERR_ONE_OBJECTS_SPECIFIED_ASSORTED, 1175093,                                                             \
      "One of the objects specified for the assorted part is invalid.")                                               \
    X(KX_DRF_ERR_FORMAT_CROSSHATCH_DEFINITION_FILE, 1175094,                                                          \
      "The format of the crosshatch definition file is invalid.")                                                     \
    X(KX_DRF_ERR_INVALID_TOLERANCE_TYPE, 1175095, "Invalid tolerance type.")                                          \
    X(KX_DRF_ERR_TEXT_ARROW_PLACMENT_INVALID, 1175096, "The text arrow placment is invalid.")                         \
    X(KX_DRF_ERR_INVALID_EXTENSION_LINE_DISPLAY, 1175097, "Invalid extension line display.")                          \
    X(KX_DRF_ERR_INVALID_ARROW_DISPLAY, 1175098, "Invalid arrow display.")                                            \
    X(KX_DRF_ERR_INVALID_DIMENSION_ORIENTATION, 1175099, "Invalid dimension orientation.")                            \
    X(KX_DRF_ERR_INVALID_NUMBER_DECIMAL_PLACES, 1175100, "Invalid number of decimal places.")                         \
    X(KX_DRF_ERR_INVALID_FRACTION_DENOMINATOR, 1175101, "Invalid fraction denominator.")                              \
    X(KX_DRF_ERR_INVALID_ARROW_TYPE, 1175102, "Invalid arrow type.")                                                  \
    X(KX_DRF_ERR_INVALID_LEADER_LOCATION, 1175103, "Invalid leader location.")                                        \
    X(KX_DRF_ERR_INVALID_COLOR, 1175104, "Invalid color.")                                                            \
    X(KX_DRF_ERR_INVALID_FONT, 1175105, "Invalid font.")                                                              \
    X(KX_DRF_ERR_INVALID_WIDTH, 1175106, "Invalid width.")                                                            \
    X(KX_DRF_ERR_INVALID_TEXT_ALIGNMENT, 1175107, "Invalid text alignment")                                           \
    X(KX_DRF_ERR_INVALID_LINEAR_UNITS, 1175108, "Invalid linear units")                                               \
    X(KX_DRF_ERR_INVALID_LINEAR_FRACTION_TYPE, 1175109, "Invalid linear fraction type")                               \
    X(KX_DRF_ERR_INVALID_DECIMAL_POINT_CHARACTER, 1175110, "Invalid decimal point character")                         \
    X(KX_DRF_ERR_INVALID_DIMENSION_TOLERANCE_PLACEMENT, 1175111, "Invalid dimension tolerance placement")             \
    X(KX_DRF_ERR_INVALID_ANGULAR_DIMENSION_NOMINAL, 1175112, "Invalid angular dimension nominal format")              \
    X(KX_DRF_ERR_INVALID_DUAL_DIMENSION_FORMAT, 1175113, "Invalid dual dimension format")                             \
    X(KX_DRF_ERR_INVALID_DUAL_DIMENSION_UNITS, 1175114, "Invalid dual dimension units")                               \
    X(KX_DRF_ERR_INVALID_DUAL_FRACTION_TYPE, 1175115, "Invalid dual fraction type")                                   \
    X(KX_DRF_ERR_INVALID_DIAMETER_SYMBOL_TYPE, 1175116, "Invalid diameter symbol type")                               \
    X(KX_DRF_ERR_INVALID_RADIUS_SYMBOL_TYPE, 1175117, "Invalid radius symbol type")                                   \
    X(KX_DRF_ERR_INVALID_DIAMETER_RADIUS_PLACEMENT, 1175118, "Invalid diameter/radius placement")                     \
    X(KX_DRF_ERR_INVALID_TEXT_ABOVE_LEADER, 1175119, "Invalid text above leader placement")                           \
    X(KX_DRF_ERR_INVALID_AREA_FILL_MATERIAL, 1175120, "Invalid area fill material")                                   \
    X(KX_DRF_ERR_FILL_STATUS_SAME_BOTH, 1175121, "Fill status must be the same for both arrow types")                 \
    X(KX_DRF_ERR_ARROWHEAD_LENGTH_GREATER_THAN, 1175122, "Arrowhead length must be greater than zero.")               \
    X(KX_DRF_ERR_DOT_SYMBOL_DIAMETER_GREATER, 1175123, "Dot symbol diameter must be greater than zero.")              \
    X(KX_DRF_ERR_STUB_LENGTH_GREATER_THAN, 1175124, "Stub length must be greater than or equal to zero.")             \
    X(KX_DRF_ERR_TEXT_LINE_DISTANCE_GREATER, 1175125, "Text to line distance must be greater than or equal to zero.") \
    X(KX_DRF_ERR_EXTENSION_LINE_DISTANCE_PAST, 1175126,                                                               \
      "Extension line distance past arrow must be greater than or equal to zero.")                                    \
    X(KX_DRF_ERR_FIRST_POSITION_EXTENSION_LINE, 1175127,                                                              \
      "First position to extension line distance must be greater than or equal to zero.")                             \
    X(KX_DRF_ERR_SECOND_POSITION_EXTENSION_LINE, 1175128,                                                             \
      "Second position to extension line distance must be greater than or equal to zero.")                            \
    X(KX_DRF_ERR_DISTANCE_DIAMETER_RADIUS_SYMBOL, 1175129,                                                            \
      "Distance from diameter/radius symbol to dimension text must be greater than or equal to zero")                 \
    X(KX_DRF_ERR_HATCH_DISTANCE_GREATER_THAN, 1175130, "Hatch distance must be greater than zero.")                   \
    X(KX_DRF_ERR_AREA_FILL_SCALE_GREATER, 1175131, "Area fill scale must be greater than zero.")                      \
    X(KX_DRF_ERR_HATCH_TOLERANCE_GREATER_THAN, 1175132, "Hatch tolerance must be greater than zero.")                 \
    X(KX_DRF_ERR_DIMENSION_TEXT_SIZE_GREATER, 1175133, "The dimension text size must be greater than zero.")          \
    X(KX_DRF_ERR_DIMENSION_TEXT_CHARACTER_SPACE, 1175134,                                                             \
      "The dimension text character space factor must be greater than zero.")                                         \
    X(KX_DRF_ERR_DIMENSION_TEXT_ASPECT_RATIO, 1175135, "The dimension text aspect ratio must be greater than zero.")  \
    X(KX_DRF_ERR_DIMENSION_TEXT_LINE_SPACE, 1175136,                                                                  \
      "The dimension text line space factor must be greater than zero.")                                              \
    X(KX_DRF_ERR_APPENDED_TEXT_SIZE_GREATER, 1175137, "The appended text size must be greater than zero.")            \
    X(KX_DRF_ERR_APPENDED_TEXT_CHARACTER_SPACE, 1175138,                                                              \
      "The appended text character space factor must be greater than zero.")                                          \
    X(KX_DRF_ERR_APPENDED_TEXT_ASPECT_RATIO, 1175139, "The appended text aspect ratio must be greater than zero.")    \
    X(KX_DRF_ERR_APPENDED_TEXT_LINE_SPACE, 1175140, "The appended text line space factor must be greater than zero.") \
    X(KX_DRF_ERR_TOLERANCE_TEXT_SIZE_GREATER, 1175141, "The tolerance text size must be greater than zero.")          \
    X(KX_DRF_ERR_TOLERANCE_TEXT_CHARACTER_SPACE, 1175142,                                                             \
      "The tolerance text character space factor must be greater than zero.")                                         \
    X(KX_DRF_ERR_TOLERANCE_TEXT_ASPECT_RATIO, 1175143, "The tolerance text aspect ratio must be greater than zero.")  \
    X(KX_DRF_ERR_TOLERANCE_TEXT_LINE_SPACE, 1175144,                                                                  \
      "The tolerance text line space factor must be greater than zero.")                                              \
    X(KX_DRF_ERR_GENERAL_TEXT_SIZE_GREATER, 1175145, "The general text size must be greater than zero.")              \
    X(KX_DRF_ERR_GENERAL_TEXT_CHARACTER_SPACE, 1175146,                                                               \
      "The general text character space factor must be greater than zero.")                                           \
    X(KX_DRF_ERR_GENERAL_TEXT_ASPECT_RATIO, 1175147, "The general text aspect ratio must be greater than zero.")      \
    X(KX_DRF_ERR_GENERAL_TEXT_LINE_SPACE, 1175148, "The general text line space factor must be greater than zero.")   \
    X(KX_DRF_ERR_ID_SYMBOL_SIZE_GREATER, 1175149, "ID symbol size must be greater than zero.")                        \
    X(KX_DRF_ERR_INVALID_HORIZONTAL_TEXT_JUSTIFICATION, 1175150, "Invalid horizontal text justification.")            \
    X(KX_DRF_ERR_GD_T_FRAME_HEIGHT, 1175151, "GD&T frame height factor must be greater than zero.")                   \
    X(KX_DRF_ERR_INVALID_ANGULAR_DIMENSION_TOLERANCE, 1175152, "Invalid angular dimension tolerance format.")         \
    X(KX_DRF_ERR_INVALID_SUPPRESS_ZERO_OPTION, 1175153, "Invalid suppress zero option for angular dimension.")        \
    X(KX_DRF_ERR_USER_DEFINED_SYMBOL_OPERATION, 1175154,                                                              \
      "The user defined symbol for this operation is not of the correct type.")                                       \
    X(KX_DRF_ERR_OBJECTS_TYPE_NOT_SUPPORTED, 1175161,                                                                 \
      "Objects of this type are not supported for use with custom symbols.")                                          \
    X(KX_DRF_ERR_CUSTOM_SYMBOL_TEXT_OBJECT, 1175162, "This custom symbol text object contains invalid data.")         \
    X(KX_DRF_ERR_DEFAULT_TEXT_OUTSIDE_BOUNDS, 1175163,                                                                \
      "The default text is outside the bounds defined by the custom symbol.")                                         \
    X(KX_DRF_ERR_CUSTOM_SYMBOL_SPECIFIES_LEADER, 1175164,                                                             \
      "The custom symbol specifies a leader, but has no leader connectsion.")

/* user interface: listing window and selection */
#define KX_UI_CODES(X)                                                                                         \
    X(KX_UI_ERR_LISTING_NOT_OPEN, 1190000, "Attempted to access listing window, when listing window not open") \
    X(KX_UI_ERR_DIALOG_AREA_2_NOT, 1190001, "Dialog area 2 is not currently available")                        \
    X(KX_UI_ERR_NO_OBJECTS_SELECT, 1190002, "No objects to select")                                            \
    X(KX_UI_ERR_OBJECT_NOT_WORK_PART, 1190003, "Object is not in the work part")                               \
    X(KX_UI_ERR_STRING_PRINTED_LISTING_WINDOW, 1190004,                                                        \
      "String to be printed to listing window exceeds maximum length")                                         \
    X(KX_UI_ERR_OBJECT_NOT_SELECTION_LIST, 1190005, "Object is not in the selection list")                     \
    X(KX_UI_ERR_SELECTION_DIALOG_NOT_PRESENTED, 1190006,                                                       \
      "Selection dialog not presented - failure in initialization procedure")                                  \
    X(KX_UI_ERR_SELECTION_TYPE_CANNOT_CHANGED, 1190007, "Selection type cannot be changed")                    \
    X(KX_UI_ERR_SELECTION_OBJECT_TYPE_MASK, 1190008, "Selection object type mask cannot be changed")           \
    X(KX_UI_ERR_SELECTION_LIST_CANNOT_CHANGED, 1190009, "Selection list cannot be changed")

/* manufacturing */
#define KX_CAM_CODES(X)                                                                                 \
    X(KX_CAM_ERR_INPUT_PARAMTER_OUT_RANGE, 1345000, "Input paramter is out of range")                   \
    X(KX_CAM_ERR_NO_OPT_OBJECT_CURRENTLY, 1345001, "No OPT object currently exists")                    \
    X(KX_CAM_ERR_DESIRED_TEMPLATE_DOES_NOT, 1345002, "The desired template does not exist")             \
    X(KX_CAM_ERR_DESIRED_TEMPLATE_NAME_DOES, 1345003, "The desired template name does not exist")       \
    X(KX_CAM_ERR_CAM_SESSION_DOES_NOT, 1345004, "A CAM session does not exist")                         \
    X(KX_CAM_ERR_OBJECT_NOT_DESIRED_TYPE, 1345005, "Object is not the desired type")                    \
    X(KX_CAM_ERR_INTEGER_NOT_TAG_TAGGED, 1345006, "Integer is not a tag of a tagged object")            \
    X(KX_CAM_ERR_TAG_NOT_CORRECT_TYPE, 1345007, "Tag is not of the correct type")                       \
    X(KX_CAM_ERR_OBJECT_NOT_TAGGED_OBJECT, 1345008, "Object is not a tagged object")                    \
    X(KX_CAM_ERR_USE_KX_SETUP_GENERATE, 1345009, "Use KX_SETUP_generate_program()")                     \
    X(KX_CAM_ERR_PARAMETER_CHECKING_FAILED, 1345010, "Parameter checking failed")                       \
    X(KX_CAM_ERR_ONT_DOES_NOT_EXIST, 1345011, "ONT does not exist")                                     \
    X(KX_CAM_ERR_NOT_MAP_POINTER_DATA, 1345012, "Can not map pointer data")                             \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE, 1345014, "Parameter of UDE is not of type integer")            \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE_2, 1345015, "Parameter of UDE is not of type double")           \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE_3, 1345016, "Parameter of UDE is not of type string or option") \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE_4, 1345017, "Parameter of UDE is not of type boolean")          \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE_5, 1345018, "Parameter of UDE is not of type point")            \
    X(KX_CAM_ERR_PARAMETER_UDE_NOT_TYPE_6, 1345019, "Parameter of UDE is not of type vector")           \
    X(KX_CAM_ERR_PARAMETER_NOT_PART_UDE, 1345020, "Parameter is not a part of the UDE")                 \
    X(KX_CAM_ERR_PARAMETER_NOT_OPTIONAL, 1345021, "Parameter is not optional")                          \
    X(KX_CAM_ERR_UDE_SET_NOT_VALID, 1345022, "UDE set is not valid for the param")                      \
    X(KX_CAM_ERR_CURRENT_PART_DOES_NOT, 1345023, "Current part does not contain valid setup")           \
    X(KX_CAM_ERR_OBJECT_NOT_PLANAR_FACE, 1345024, "The object is not a planar face")                    \
    X(KX_CAM_ERR_INPUT_HAS_INVALID_ENTITY, 1345025, "The input has invalid entity")                     \
    X(KX_CAM_ERR_APPLICATION_DATA_HAS_INVALID, 1345026, "The application data has invalid setting")

/* display and analysis of dimensions, arcs and surfaces */
#define KX_DISP_CODES(X)                                                                                  \
    X(KX_DISP_ERR_SPECIFIED_TAG_EXPRESSION_LIST, 1390000,                                                 \
      "A specified tag on the expression list does not relate to a dimension")                            \
    X(KX_DISP_ERR_SPECIFIED_OBJECT_TAG_NOT, 1390001, "The specified object tag is not in work part")      \
    X(KX_DISP_ERR_RADIUS_GREATER_THAN_ZERO, 1390002, "The radius must be greater than zero.")             \
    X(KX_DISP_ERR_END_ANGLE_GREATER_THAN, 1390003, "The end angle must be greater than the start angle.") \
    X(KX_DISP_ERR_ARC_ANGLES_NOT_DIFFER, 1390004, "The arc angles must not differ by more than two pi.")  \
    X(KX_DISP_ERR_REFLECTION_LINES_DISPLAY_UNSUPPORTED, 1390005,                                          \
      "Reflection lines display is unsupported by this configuration.")                                   \
    X(KX_DISP_ERR_CONTOUR_LINES_DISPLAY_UNSUPPORTED, 1390006,                                             \
      "Contour lines display is unsupported by this configuration.")                                      \
    X(KX_DISP_ERR_IMAGE_FILE_COULD_NOT, 1390007, "The image file could not be created.")

/* drawings, section lines and views */
#define KX_DRAW_CODES(X)                                                                                            \
    X(KX_DRAW_ERR_UNRECOVERABLE_ERROR_HAS_OCCURRED, 1405000, "An unrecoverable error has occurred.")                \
    X(KX_DRAW_ERR_INPUT_PARAMETER_INVALID, 1405001, "Input parameter is invalid.")                                  \
    X(KX_DRAW_ERR_SECTION_LINE_NOT_CORRECT, 1405002, "Section line is not correct type.")                           \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_SECTION, 1405003, "Input tag is not a section line.")                               \
    X(KX_DRAW_ERR_SECTION_LINE_LEG_1, 1405004, "Section line leg must be 1 or 2.")                                  \
    X(KX_DRAW_ERR_SECTION_LINE_SEGMENT_CUT, 1405005, "Section line segment must be a cut, arrow or bend.")          \
    X(KX_DRAW_ERR_CANNOT_ADD_SEGMENT_HALF, 1405006, "Cannot add segment to half section line.")                     \
    X(KX_DRAW_ERR_OBJECT_NULL_ENTITY, 1405007, "The object is a null entity.")                                      \
    X(KX_DRAW_ERR_OBJECT_VIEW_TAG_INVALID, 1405008, "Object view tag is invalid.")                                  \
    X(KX_DRAW_ERR_OBJECT_ASSOCIATIVITY_TYPE_INVALID, 1405009, "Object associativity type is invalid.")              \
    X(KX_DRAW_ERR_OBJECT_ASSOCIATIVITY_MODIFIER_INVALID, 1405010, "Object associativity modifier is invalid.")      \
    X(KX_DRAW_ERR_OBJECT_DRAWING_POSITION_NOT, 1405011, "Object drawing position is not on drawing.")               \
    X(KX_DRAW_ERR_CANNOT_ASSOCIATE_SECTIONING_OBJECT, 1405012,                                                      \
      "Cannot associate a sectioning object to a view dependent object.")                                           \
    X(KX_DRAW_ERR_CANNOT_DELETE_SEGMENT_HALF, 1405013, "Cannot delete a segment from a half section line.")         \
    X(KX_DRAW_ERR_TAG_NOT_SECTION_LINE, 1405014, "Tag is not a section line segment.")                              \
    X(KX_DRAW_ERR_NO_INTERSECTION_EXISTS_BETWEEN, 1405015, "No intersection exists between objects.")               \
    X(KX_DRAW_ERR_NO_ARC_CENTER_FOUND, 1405016, "No arc center found on object.")                                   \
    X(KX_DRAW_ERR_NO_END_POINT_FOUND, 1405017, "No end point found on object.")                                     \
    X(KX_DRAW_ERR_CANNOT_ASSOCIATE_OBJECT, 1405018, "Cannot associate object.")                                     \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_SECTION_2, 1405019, "Input tag is not a section view.")                             \
    X(KX_DRAW_ERR_INCORRECT_NUMBER_SECTION_SEGMENTS, 1405020, "Incorrect number of section segments.")              \
    X(KX_DRAW_ERR_INCORRECT_NUMBER_SECTION_SEGMENTS_2, 1405021, "Incorrect number of section segments in leg1.")    \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_DRAWING, 1405022, "Input tag is not a drawing.")                                    \
    X(KX_DRAW_ERR_INVALID_VALUE_SECTION_VIEW, 1405023, "Invalid value for section view scale.")                     \
    X(KX_DRAW_ERR_INVALID_STEP_DIRECTION_VECTOR, 1405024, "Invalid step direction vector.")                         \
    X(KX_DRAW_ERR_INVALID_ARROW_DIRECTION_VECTOR, 1405025, "Invalid arrow direction vector.")                       \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_VIEW, 1405026, "Input tag is not a view.")                                          \
    X(KX_DRAW_ERR_INVALID_ARROW_SIZE, 1405027, "Invalid arrow size.")                                               \
    X(KX_DRAW_ERR_INVALID_ARROW_TOTAL_LENGTH, 1405028, "Invalid arrow total length.")                               \
    X(KX_DRAW_ERR_INVALID_ARROW_INCLUDED_ANGLE, 1405029, "Invalid arrow included angle.")                           \
    X(KX_DRAW_ERR_INVALID_ARROW_DISTANCE_PAST, 1405030, "Invalid arrow distance past part.")                        \
    X(KX_DRAW_ERR_INVALID_ARROW_STUB_LENGTH, 1405031, "Invalid arrow stub length.")                                 \
    X(KX_DRAW_ERR_INVALID_ARROW_HEAD_TYPE, 1405032, "Invalid arrow head type.")                                     \
    X(KX_DRAW_ERR_INVALID_ARROW_HEAD_CONTROL, 1405033, "Invalid arrow head control.")                               \
    X(KX_DRAW_ERR_INVALID_SECTION_LINE_DISPLAY, 1405034, "Invalid section line display value.")                     \
    X(KX_DRAW_ERR_LEAST_TWO_CUTS_SXLINE, 1405035, "At least two cuts of sxline must be defined.")                   \
    X(KX_DRAW_ERR_NO_CUT_SEGMENT_DEFINED, 1405036, "No cut segment defined for sxline leg1.")                       \
    X(KX_DRAW_ERR_NO_CUT_SEGMENT_DEFINED_2, 1405037, "No cut segment defined for sxline leg2.")                     \
    X(KX_DRAW_ERR_INPUT_DRAWING_TAG_NOT, 1405038, "Input drawing tag is not current drawing.")                      \
    X(KX_DRAW_ERR_ONLY_49_ACTIVE_MEMBER, 1405039, "Only 49 active member views allowed in drawing.")                \
    X(KX_DRAW_ERR_PARENT_VIEW_CANNOT_DRAWING, 1405040, "Parent view cannot be a drawing view.")                     \
    X(KX_DRAW_ERR_PARENT_VIEW_CANNOT_DETAIL, 1405041, "Parent view cannot be a detail view.")                       \
    X(KX_DRAW_ERR_PARENT_VIEW_CANNOT_SECTION, 1405042, "Parent view cannot be a section view.")                     \
    X(KX_DRAW_ERR_NO_DRAWING_FOUND_DRAWING, 1405043, "No drawing found of drawing view.")                           \
    X(KX_DRAW_ERR_ONLY_49_CUT_SEGMENTS, 1405044, "Only 49 cut segments allowed in a section line.")                 \
    X(KX_DRAW_ERR_INPUT_TAG_NULL, 1405045, "Input tag is null.")                                                    \
    X(KX_DRAW_ERR_INPUT_NOT_VALID_PARAMETER, 1405046, "Input is not a valid parameter.")                            \
    X(KX_DRAW_ERR_VIEW_DOES_NOT_EXIST, 1405047, "View does not exist.")                                             \
    X(KX_DRAW_ERR_THERE_NO_CURRENT_DRAWING, 1405048, "There is no current drawing.")                                \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_SECTION_3, 1405049, "Input tag is not a section solid.")                            \
    X(KX_DRAW_ERR_INPUT_TAG_NOT_SECTION_4, 1405050, "Input tag is not a section edge.")                             \
    X(KX_DRAW_ERR_CURVE_DISCONNECTED_PREVIOUS_CURVE, 1405051, "A curve is disconnected from the previous curve.")   \
    X(KX_DRAW_ERR_CURVE_CROSSES_PREVIOUS_CURVE, 1405052, "A curve crosses a previous curve.")                       \
    X(KX_DRAW_ERR_CURVE_SELF_INTERSECTING, 1405053, "A curve is self-intersecting.")                                \
    X(KX_DRAW_ERR_CURVE_FORMS_NON_MANIFOLD, 1405054, "A curve forms a non-manifold region.")                        \
    X(KX_DRAW_ERR_NO_CURVES_BOUNDARY_CURVES, 1405055, "No curves in boundary, or curves project to a point.")       \
    X(KX_DRAW_ERR_CURVES_DO_NOT_FORM, 1405056, "Curves do not form a valid loop.")                                  \
    X(KX_DRAW_ERR_VIEW_NOT_MEMBER_VIEW, 1405057, "View is not a member view.")                                      \
    X(KX_DRAW_ERR_VIEW_EXPANDED, 1405058, "A view is expanded.")                                                    \
    X(KX_DRAW_ERR_VIEW_NOT_CURRENT_DRAWING, 1405059, "The view is not on the current drawing.")                     \
    X(KX_DRAW_ERR_VIEW_NOT_ACTIVE_VIEW, 1405060, "The view is not an active view.")                                 \
    X(KX_DRAW_ERR_POINT_NOT_CURRENT_DRAWING, 1405061, "The point is not on the current drawing.")                   \
    X(KX_DRAW_ERR_VIEW_WRONG_TYPE, 1405062, "The view is of the wrong type.")                                       \
    X(KX_DRAW_ERR_HINGE_LINE_DIRECTION_VECTOR, 1405063, "Hinge line direction vector is invalid.")                  \
    X(KX_DRAW_ERR_INPUT_OBJECT_NOT_LINEAR, 1405064, "Input object is not linear.")                                  \
    X(KX_DRAW_ERR_VIEW_SCALE_NOT_ASSOCIATIVE, 1405065, "The view scale is not associative.")                        \
    X(KX_DRAW_ERR_PART_FILE_NOT_LOADED, 1405066, "The part file is not loaded.")                                    \
    X(KX_DRAW_ERR_INPUT_PARAMETER_NOT_CORRECT, 1405067, "The input parameter is not of correct type.")              \
    X(KX_DRAW_ERR_UNABLE_PERFORM_SIMPLIFICATION_CURVE, 1405068, "Unable to perform simplification of curve.")       \
    X(KX_DRAW_ERR_NO_DETAIL_VIEW_HAS, 1405069, "No detail view has been created.")                                  \
    X(KX_DRAW_ERR_BOUNDARY_TYPE_VIEW_INVALID, 1405070, "The boundary type of the view is invalid.")                 \
    X(KX_DRAW_ERR_PARENTS_ANCHOR_POINT_BOUNDARY, 1405071, "The parents of the anchor point are boundary segments.") \
    X(KX_DRAW_ERR_VIEW_NOT_LOCATED_DRAWING, 1405072, "The view is not located on the drawing.")                     \
    X(KX_DRAW_ERR_POINT_NOT_VISIBLE_MEMBER, 1405073, "The point is not visible in the member view.")                \
    X(KX_DRAW_ERR_POINT_SMART_POINT, 1405074, "The point must be a smart point.")                                   \
    X(KX_DRAW_ERR_CURVE_ASSOCIATIVE_HAS_SMART, 1405075, "A curve is associative and has smart defining points.")    \
    X(KX_DRAW_ERR_SPLINE_DEFINED_POINTS_T, 1405076,                                                                 \
      "Spline must be defined by points, can't have tangency or curvature constraints.")                            \
    X(KX_DRAW_ERR_OBJECT_VIEW_INDEPENDENT, 1405077, "An object is view independent.")                               \
    X(KX_DRAW_ERR_UNABLE_EDIT_BOUNDARY_POINT, 1405078, "Unable to edit boundary point.")                            \
    X(KX_DRAW_ERR_BOUNDARY_TYPE_NOT_ASSOCIATIVE, 1405079, "The boundary type is not associative.")                  \
    X(KX_DRAW_ERR_NOTE_SECTION_LINE_SECTION, 1405080, "The note is a section line or section view label.")          \
    X(KX_DRAW_ERR_INVALID_TABULAR_NOTE_CELL, 1405081, "Invalid tabular note cell specified.")                       \
    X(KX_DRAW_ERR_NO_MORE_AVAILABLE_FONTS, 1405082, "No more available fonts in tabular note font map.")            \
    X(KX_DRAW_ERR_NO_MORE_AVAILABLE_SIZES, 1405083, "No more available sizes in tabular note size map.")            \
    X(KX_DRAW_ERR_DRAWING_NAME_INVALID, 1405084, "Drawing name is invalid.")                                        \
    X(KX_DRAW_ERR_DRAWING_NOT_ALLOWED_IF, 1405085, "Drawing not allowed if design in context.")                     \
    X(KX_DRAW_ERR_CANNOT_DELETE_PARENT_SECTION, 1405086, "Cannot delete the parent of a section view.")             \
    X(KX_DRAW_ERR_UNABLE_SET_REFERENCE_POINT, 1405087, "Unable to set reference point on drawing.")                 \
    X(KX_DRAW_ERR_VIEW_POSITION_NOT_LOCATED, 1405088, "View position is not located on the drawing.")               \
    X(KX_DRAW_ERR_UNABLE_OBTAIN_DRAWING_DISPLAY, 1405089, "Unable to obtain drawing display data.")                 \
    X(KX_DRAW_ERR_NO_DRAWING_VIEW_AVAILABLE, 1405090, "No drawing view available.")                                 \
    X(KX_DRAW_ERR_DRAWING_ALREADY_EXISTS_NAME, 1405091, "Drawing already exists with that name.")                   \
    X(KX_DRAW_ERR_VIEW_ALREADY_EXISTS_NAME, 1405092, "A view already exists with that name.")                       \
    X(KX_DRAW_ERR_CANNOT_DELETE_DRAWING_IF, 1405093, "Cannot delete the drawing if it is displayed.")               \
    X(KX_DRAW_ERR_VIEW_CANNOT_MADE_REFERENCE, 1405094, "View cannot be made reference.")                            \
    X(KX_DRAW_ERR_INVALID_DRAWING_UNITS_USE, 1405095, "Invalid drawing units: use English or Metric.")              \
    X(KX_DRAW_ERR_INVALID_DRAWING_SIZE_CODE, 1405096, "Invalid drawing size code.")                                 \
    X(KX_DRAW_ERR_INVALID_CUSTOM_DRAWING_SIZES, 1405097, "Invalid custom drawing sizes.")                           \
    X(KX_DRAW_ERR_INVALID_PLOT_SCALE, 1405098, "Invalid plot scale.")                                               \
    X(KX_DRAW_ERR_INVALID_NUMBER_COPIES, 1405099, "Invalid number of copies.")                                      \
    X(KX_DRAW_ERR_INVALID_PEN_OPTION, 1405100, "Invalid pen option.")                                               \
    X(KX_DRAW_ERR_INVALID_PEN_NUMBER, 1405101, "Invalid pen number.")                                               \
    X(KX_DRAW_ERR_ONE_MORE_VIEWS_HAVE, 1405900, "One or more views have associative view scales.")                  \
    X(KX_DRAW_ERR_WARNING_PARENT_VIEW_OUT, 1405901, "Warning: The parent view is out of date.")

/* sheet-metal design */
#define KX_SMD_CODES(X) \
    X(KX_SMD_ERR_KX_SMD_INITIALIZE_CALLED, 1465001, "KX_SMD_initialize must be called by the main function")

/* curve geometry: points, lines, arcs, conics and splines */
#define KX_CURVE_CODES(X)                                                                                            \
    X(KX_CURVE_ERR_NOT_POINT, 1480000, "Input parameter must be a point (KX_point_type)")                            \
    X(KX_CURVE_ERR_NOT_LINE, 1480001, "Input parameter must be a line or a straight edge")                           \
    X(KX_CURVE_ERR_NOT_ARC, 1480002, "Input parameter must be an arc or a circular edge")                            \
    X(KX_CURVE_ERR_NOT_MATRIX, 1480003, "Input parameter must be a matrix (KX_matrix_type)")                         \
    X(KX_CURVE_ERR_SWEEP_TOO_LARGE, 1480004,                                                                         \
      "Absolute value of the difference between angles must be less than two pi")                                    \
    X(KX_CURVE_ERR_START_AFTER_END, 1480005, "Start angle must be less than the end angle")                          \
    X(KX_CURVE_ERR_NOT_CONIC, 1480006, "Input parameter must be the tag of a conic object")                          \
    X(KX_CURVE_ERR_DEGENERATE_CONIC, 1480007, "Parameters represent a degenerate conic")                             \
    X(KX_CURVE_ERR_START_OUT_OF_RANGE, 1480008, "Start angle not in range of 0 to two pi")                           \
    X(KX_CURVE_ERR_HEIGHTS_DIFFER, 1480009, "General conic endpoints have different Z coordinates")                  \
    X(KX_CURVE_ERR_BAD_CONIC_TYPE, 1480010, "Conic type parameter is not valid")                                     \
    X(KX_CURVE_ERR_NOT_SPLINE, 1480011, "Input parameter must be a spline (KX_spline_type)")                         \
    X(KX_CURVE_ERR_BSPLINE_ORDER, 1480012, "Data for bspline has invalid order or pole count")                       \
    X(KX_CURVE_ERR_BSPLINE_DEGENERATE, 1480013, "Data for bspline has unrepairable degeneracy in pole array")        \
    X(KX_CURVE_ERR_BSPLINE_WEIGHT, 1480014, "Data for bspline has negative or zero weight for a pole")               \
    X(KX_CURVE_ERR_BSPLINE_NOT_FIXED, 1480015, "Data for bspline cannot be fixed for create or miscellaneous error") \
    X(KX_CURVE_ERR_NO_BRANCH, 1480016, "Conic endpoints don't select same branch or cannot determine sense")         \
    X(KX_CURVE_ERR_BSPLINE_CONTINUITY, 1480018, "Bspline smooth continuity order exceeds order or is less than 0")

/* STL output */
#define KX_STL_CODES(X)                                                                            \
    X(KX_STL_ERR_FACE_FACET_DATA_COULD, 1570001, "Face facet data could not be processed")         \
    X(KX_STL_ERR_OBJECT_HAS_TOO_MANY, 1570002,                                                     \
      "Object has too many faces for base, or is solid in sheet list or vice versa")               \
    X(KX_STL_ERR_USER_ABORT_STL_FILE, 1570003, "User abort of STL file creation")                  \
    X(KX_STL_ERR_FILE_HANDLE_NOT_VALID, 1570004, "File handle is not valid")                       \
    X(KX_STL_ERR_CSYS_ARGUMENT_NOT_TAG, 1570005, "Csys argument is not the tag of a CSYS")         \
    X(KX_STL_ERR_EDGE_HAS_MORE_THAN, 1570101, "Edge has more than two faces adjacent")             \
    X(KX_STL_ERR_EDGE_DOES_NOT_HAVE, 1570102, "Edge does not have another face adjacent")          \
    X(KX_STL_ERR_SHEET_BODY_DISJOINT_NORMAL, 1570103, "Sheet body disjoint from normal indicator") \
    X(KX_STL_ERR_FACE_COULD_NOT_ACCESSED, 1570104, "Face could not be accessed to facetize")       \
    X(KX_STL_ERR_NEGATIVE_COORDINATES_DETECTED_OUTPUT, 1570105, "Negative coordinates detected in output facets")

/* CAM pre-processing */
#define KX_CAM_PREPRO_CODES(X) \
    X(KX_CAM_PREPRO_ERR_INPUT_FACET_MODEL_NOT, 1930001, "Input Facet Model not valid for CAM")

/* smart objects */
#define KX_SO_CODES(X) X(KX_SO_ERR_CANNOT_EDIT, 1995000, "Cannot edit a smart object")

/* cloning */
#define KX_CLONE_CODES(X)                                                                                           \
    X(KX_CLONE_ERR_CLONE_OPERATION_HAS_NOT, 3025001, "The Clone operation has not been initialised")                \
    X(KX_CLONE_ERR_ITERATION_PROGRESS_YOU_NOT, 3025002,                                                             \
      "An iteration is in progress, you may not add parts to the clone operation")                                  \
    X(KX_CLONE_ERR_SPECIFIED_PART_NOT_PRESENT, 3025003, "The specified part is not present in the clone operation") \
    X(KX_CLONE_ERR_CLONE_OPERATION_HAS_ALREADY, 3025004, "A Clone operation has already been initialised")          \
    X(KX_CLONE_ERR_NO_ITERATION_PROGRESS, 3025005, "No iteration is in progress")                                   \
    X(KX_CLONE_ERR_DRYRUN_REQUESTED_OPERATION_BUT, 3025006,                                                         \
      "Dryrun requested for this operation but no log file specified")

/* Codes of the host's bands that the interface answers itself; they have
 * no text in the interface's tables. */
#define KX_HOST_CODES(X)                           \
    X(KX_HOST_ERR_NO_CIRCLE, 670035)               \
    X(KX_PART_ERR_CLEANUP_FAILED, 641050)          \
    X(KX_PART_ERR_EXPORT_FAILED, 1050044)          \
    X(KX_CALLBACK_ERR_CORRUPT_REASON, 750003)      \
    X(KX_CALLBACK_ERR_NONE_FOR_REASON, 750006)     \
    X(KX_CALLBACK_ERR_UNKNOWN, 750007)             \
    X(KX_CALLBACK_ERR_REASON_NOT_ADDED, 750008)    \
    X(KX_MODL_ERR_EMPTY_LIST, 875005)              \
    X(KX_MODL_ERR_NO_LIST, 875009)                 \
    X(KX_MODL_ERR_NEGATIVE_INDEX, 875010)          \
    X(KX_MODL_ERR_PAST_END, 875011)                \
    X(KX_MODL_ERR_NO_OBJECT_DATA, 875027)          \
    X(KX_MODL_ERR_WRONG_OBJECT, 875033)            \
    X(KX_ZR_ERR_JOURNAL_OFF, 875155)               \
    X(KX_PART_ERR_BAD_ORIENTATION, 720005)         \
    X(KX_MODL_ERR_TRANSFORM_REFUSED, 875053)       \
    X(KX_MODL_ERR_CENTROID_FAILED, 875106)         \
    X(KX_MODL_ERR_VALUE_OUT_OF_RANGE, 875120)      \
    X(KX_MODL_ERR_DEGENERATE, 875136)              \
    X(KX_MODL_ERR_NOT_IN_LIST, 875164)             \
    X(KX_MODL_ERR_FACE_DATA, 875028)               \
    X(KX_MODL_ERR_BODY_EDGES_UNAVAILABLE, 875031)  \
    X(KX_MODL_ERR_NOT_A_BODY, 875032)              \
    X(KX_MODL_ERR_OPERATION_FAILED, 875051)        \
    X(KX_MODL_ERR_NAMED_OBJECT, 875052)            \
    X(KX_MODL_ERR_NOT_A_FEATURE, 875233)           \
    X(KX_MODL_ERR_NO_FEATURES, 875253)             \
    X(KX_MODL_ERR_NO_KERNEL_ENTITY, 875288)        \
    X(KX_MODL_ERR_NO_INTERMEDIATE_LIST, 875023)    \
    X(KX_MODL_ERR_CONNECTIVITY_FAILED, 875122)     \
    X(KX_MODL_ERR_NO_BODY_RECORD, 641097)          \
    X(KX_ERR_KLAM_ALREADY_RUNNING, 875129)         \
    X(KX_ERR_KLAM_RUN_FAILED, 875131)              \
    X(KX_CFI_ERR_END_OF_STREAM, 1020007)           \
    X(KX_CFI_ERR_NOT_WRITTEN, 1020008)             \
    X(KX_CFI_ERR_POSITION, 1020184)                \
    X(KX_CFI_ERR_DAMAGED, 1020185)                 \
    X(KX_MODL_ERR_WRONG_KIND, 875004)              \
    X(KX_MODL_ERR_PARAMETER_MISSES_FACE, 875029)   \
    X(KX_MODL_ERR_TRIM_FAILED, 875148)             \
    X(KX_CURVE_ERR_FILLET_NOT_PLANAR, 875189)      \
    X(KX_CURVE_ERR_FILLET_RADIUS, 875190)          \
    X(KX_CURVE_ERR_FILLET_NO_ARC, 875191)          \
    X(KX_MODL_ERR_TEMPLATE_EDIT_FAILED, 875356)    \
    X(KX_MODL_ERR_NO_FACE_RANGE, 875030)           \
    X(KX_MODL_ERR_BAD_TOLERANCE, 875036)           \
    X(KX_MODL_ERR_BAD_ISO_DIRECTION, 875041)       \
    X(KX_MODL_ERR_ISO_OUT_OF_RANGE, 875042)        \
    X(KX_MODL_ERR_ISO_FAILED, 875043)              \
    X(KX_MODL_ERR_EDGE_CURVE_FAILED, 875048)       \
    X(KX_MODL_ERR_FIT_ORDER, 875107)               \
    X(KX_MODL_ERR_FIT_FAILED, 875108)              \
    X(KX_MODL_ERR_FIT_TOO_FEW_POINTS, 875109)      \
    X(KX_MODL_ERR_FIT_WEIGHT_COUNT, 875110)        \
    X(KX_MODL_ERR_FIT_WEIGHT_POSITION, 875111)     \
    X(KX_MODL_ERR_ISO_V_REFUSED, 875121)           \
    X(KX_MODL_ERR_SPLINE_FIXED, 875132)            \
    X(KX_MODL_ERR_SPLINE_NOT_MADE, 875133)         \
    X(KX_MODL_ERR_SPLINE_HOST, 875134)             \
    X(KX_MODL_ERR_SPLINE_DATA, 875135)             \
    X(KX_MODL_ERR_ISOCLINE_FAILED, 875198)         \
    X(KX_MODL_ERR_FIT_TOO_FEW_CONDITIONS, 875257)  \
    X(KX_MODL_ERR_FIT_COINCIDENT_POINTS, 875258)   \
    X(KX_MODL_ERR_FIT_DEGREE, 875259)              \
    X(KX_MODL_ERR_FIT_PERIODIC, 875260)            \
    X(KX_MODL_ERR_FIT_PARAMETERS, 875261)          \
    X(KX_MODL_ERR_FIT_ZERO_SLOPE, 875262)          \
    X(KX_MODL_ERR_FIT_NO_SPLINE, 875263)           \
    X(KX_MODL_ERR_FIT_PERIODIC_CURVATURE, 875264)  \
    X(KX_MODL_ERR_CURVATURE_WITHOUT_SLOPE, 875265) \
    X(KX_MODL_ERR_FIT_SLOPE_TYPE, 875266)          \
    X(KX_MODL_ERR_NO_DEFINING_DATA, 875267)        \
    X(KX_MODL_ERR_NO_POINTS, 875268)               \
    X(KX_PART_ERR_COMPONENT_MISSING, 641112)       \
    X(KX_PART_ERR_COMPONENT_BAD, 641113)           \
    X(KX_UNDO_ERR_NO_MARK, 1055004)                \
    X(KX_BOUND_ERR_NULL_TAG, 630035)               \
    X(KX_MODL_ERR_BAD_ENTITY_TYPE, 875226)         \
    X(KX_MODL_ERR_BAD_FLAG, 875179)                \
    X(KX_MODL_ERR_NO_SECTION, 875359)              \
    X(KX_MODL_ERR_COUNT_BELOW_ONE, 875302)         \
    X(KX_CURVE_ERR_NO_SOLIDS, 671303)              \
    X(KX_ERR_EDITING_IN_CONTEXT, 770004)           \
    X(KX_MODL_ERR_INVALID_FEATURE, 875008)         \
    X(KX_CURVE_ERR_PROJECTION_FAILED, 875124)      \
    X(KX_CURVE_ERR_JOIN_CLOSED_CURVE, 875151)      \
    X(KX_CURVE_ERR_JOIN_BRANCH, 875152)            \
    X(KX_CURVE_ERR_JOIN_GAP, 875153)               \
    X(KX_CURVE_ERR_PROJECTION_TYPE, 875159)        \
    X(KX_CURVE_ERR_PROJECTION_ANGLE, 875178)       \
    X(KX_CURVE_ERR_BRIDGE_METHOD, 875182)          \
    X(KX_CURVE_ERR_COMBINE_FLAG, 875193)           \
    X(KX_CURVE_ERR_COMBINE_SAME_CURVE, 875194)     \
    X(KX_CURVE_ERR_COMBINE_NOT_PLANAR, 875195)     \
    X(KX_CURVE_ERR_COMBINE_REFUSED, 875196)        \
    X(KX_CURVE_ERR_NOT_PERPENDICULAR, 875197)      \
    X(KX_CURVE_ERR_TWO_DATUM_PLANES, 1395062)      \
    X(KX_CURVE_ERR_OFFSET_NO_PLANE, 1395069)       \
    X(KX_CURVE_ERR_BRIDGE_SHAPE_RANGE, 875210)     \
    X(KX_CURVE_ERR_BRIDGE_REFERENCE, 875292)       \
    X(KX_CURVE_ERR_BRIDGE_ORDER, 875304)           \
    X(KX_CURVE_ERR_BRIDGE_FIRST_CURVE, 875351)     \
    X(KX_CURVE_ERR_BRIDGE_SECOND_CURVE, 875352)    \
    X(KX_CURVE_ERR_BRIDGE_POSITION, 875353)        \
    X(KX_CURVE_ERR_BRIDGE_METHOD3_OPTION, 875354)  \
    X(KX_CURVE_ERR_BRIDGE_SHAPE, 875355)           \
    X(KX_CURVE_ERR_BRIDGE_POSITION_RANGE, 875357)  \
    X(KX_MODL_ERR_NO_BLEND_DATA, 875360)           \
    X(KX_MODL_ERR_BLEND_REFUSED, 875361)           \
    X(KX_MODL_ERR_BLEND_TOLERANCE, 670403)         \
    X(KX_MODL_ERR_BLEND_RADIUS_TYPE, 671032)       \
    X(KX_MODL_ERR_BLEND_FACE_DATA, 671033)         \
    X(KX_MODL_ERR_BLEND_NO_FACES, 671034)          \
    X(KX_MODL_ERR_BLEND_RADIUS, 671035)            \
    X(KX_MODL_ERR_BLEND_NO_CURVES, 671036)         \
    X(KX_MODL_ERR_BLEND_AUX_COUNT, 671037)         \
    X(KX_MODL_ERR_BLEND_LAW, 671128)               \
    X(KX_KF_ERR_NAME_WITHOUT_TEXT, 3125021)         \
    X(KX_MODL_ERR_EXPRESSION, 875013)              \
    X(KX_MODL_ERR_SUPPRESS_EXP_BOUND, 875017)      \
    X(KX_MODL_ERR_BOOLEAN_REFUSED, 875283)         \
    X(KX_MODL_ERR_PROMOTION_BASE, 1750010)         \
    X(KX_MODL_JOIN_DONE, 670032)                   \
    X(KX_MODL_ERR_EXP_FILE, 875018)                \
    X(KX_MODL_ERR_EXP_FILE_EXISTS, 875019)         \
    X(KX_MODL_ERR_EXP_NOT_USED, 875362)            \
    X(KX_MODL_ERR_EXP_NO_NAME, 1050006)            \
    X(KX_MODL_ERR_EXP_NOT_FOUND, 1050007)          \
    X(KX_MODL_ERR_NOT_PLANAR_FACE, 875006)         \
    X(KX_MODL_ERR_NO_FEATURE_CREATED, 875044)      \
    X(KX_MODL_ERR_NO_EDGES, 875022)                \
    X(KX_MODL_ERR_NOT_GROOVE_FACE, 875007)         \
    X(KX_MODL_ERR_NO_CONSTRAINTS, 875003)          \
    X(KX_MODL_ERR_CONSTRAINT_CLASS, 875001)        \
    X(KX_MODL_ERR_NO_CONSTRAINT_RECORD, 875002)    \
    X(KX_MODL_ERR_NO_DATUM_TARGET, 672178)         \
    X(KX_MODL_ERR_NO_FACE_REFERENCE, 670077)       \
    X(KX_MODL_ERR_THREAD_FACE, 671159)             \
    X(KX_MODL_ERR_THREAD_START, 671160)            \
    X(KX_MODL_ERR_PERP_TOOL_FIRST, 670286)         \
    X(KX_BREP_ERR_NO_KERNEL_BODY, 1838008)         \
    X(KX_MODL_ERR_BSURF_NO_LOOPS, 875045)          \
    X(KX_MODL_ERR_BSURF_DATA, 875046)              \
    X(KX_MODL_ERR_BSURF_TRIM_FAILED, 875047)       \
    X(KX_MODL_ERR_BSURF_DEGENERATE, 875138)        \
    X(KX_MODL_ERR_BSURF_NOT_CONVERTED, 875150)     \
    X(KX_MODL_ERR_BSURF_NOT_CONVERTIBLE, 875176)   \
    X(KX_MODL_ERR_BSURF_WEIGHT, 875305)            \
    X(KX_MODL_ERR_BSURF_SMOOTHING, 875350)         \
    X(KX_MODL_ERR_BEAD_EXTENSION, 875241)          \
    X(KX_MODL_ERR_BEAD_NO_CURVES, 875242)          \
    X(KX_MODL_ERR_BEAD_NO_SECONDARY, 875245)       \
    X(KX_MODL_ERR_BEAD_SECONDARY_OPTION, 875246)   \
    X(KX_MODL_ERR_BEAD_PLANE_AND_FACES, 671131)    \
    X(KX_MODL_ERR_BEAD_PLANES, 671132)             \
    X(KX_MODL_ERR_NULL_FEATURE, 875123)            \
    X(KX_MODL_ERR_DFO_REGION, 875365)              \
    X(KX_MODL_ERR_DFO_INVALID, 875366)             \
    X(KX_MODL_ERR_DFO_REPLACEMENT, 875367)         \
    X(KX_MODL_ERR_DFO_NOT_MADE, 875368)            \
    X(KX_MODL_ERR_NO_SET_NAME, 875014)             \
    X(KX_MODL_ERR_CURVE_MESH_QUERY, 875270)        \
    X(KX_MODL_ERR_THRU_CURVES_QUERY, 875271)       \
    X(KX_MODL_ERR_RULED_QUERY, 875272)             \
    X(KX_MODL_ERR_SWEEP_QUERY, 875273)             \
    X(KX_MODL_ERR_BPLANE_QUERY, 875274)            \
    X(KX_MODL_ERR_BAD_LAW, 671129)                 \
    X(KX_MODL_ERR_BAD_PARM_METHOD, 875250)         \
    X(KX_MODL_ERR_BAD_VECTOR_TYPE, 875247)         \
    X(KX_MODL_ERR_NO_FACE_DISTANCE, 875248)        \
    X(KX_MODL_ERR_NOT_PLANAR, 875249)              \
    X(KX_MODL_ERR_SEW_TOOL_REFUSED, 670374)        \
    X(KX_MODL_ERR_HOST_ABORTED, 820901)            \
    X(KX_CURVE_ERR_HOST_BAD_RECORD, 1395037)       \
    X(KX_KF_ERR_INIT_PASS_ONE, 3130024)            \
    X(KX_KF_ERR_INIT_PASS_TWO, 3130025)            \
    X(KX_KF_ERR_INIT_PASS_THREE, 3130026)          \
    X(KX_KF_ERR_INIT_SKIPPED_FILES, 3130027)       \
    X(KX_KF_ERR_NO_LIST_OF_INSTANCE, 3095003)      \
    X(KX_KF_ERR_MANAGER_NOT_INITIALISED, 641049)   \
    X(KX_KF_ERR_MANAGER_INACTIVE, 641106)          \
    X(KX_KF_ERR_MANAGER_FAILED, 943001)            \
    X(KX_OBJ_ERR_NO_ACTIVE_PART, 630018)           \
    X(KX_OBJ_ERR_NO_DISPLAY_SETTING, 630070)       \
    X(KX_OBJ_ERR_BAD_DISPLAY_TYPE, 660011)

/* Codes of the geometric properties, checks and measurement of the
 * modelling functions (no text in the interface's tables); the fault codes
 * 875311 to 875343 name the faults of the kernel's analysis. */
#define KX_MODL_GEOMETRY_CODES(X)                  \
    X(KX_MODL_ERR_NOT_SAME_SUBTYPE, 875034)        \
    X(KX_MODL_ERR_BAD_COMPARISON, 875035)          \
    X(KX_MODL_ERR_NO_EXTREME, 875040)              \
    X(KX_MODL_ERR_NO_MEASUREMENT, 875137)          \
    X(KX_MODL_ERR_CHECK_FAILED, 875186)            \
    X(KX_MODL_ERR_CURVE_POINTS, 875216)            \
    X(KX_MODL_ERR_TOPOLOGY_CLASS, 875287)          \
    X(KX_MODL_ERR_TOPOLOGY_FAILED, 875289)         \
    X(KX_MODL_FAULT_POINT_ON_CURVE, 875311)        \
    X(KX_MODL_FAULT_GEOMETRY, 875312)              \
    X(KX_MODL_FAULT_ORIENTATION, 875313)           \
    X(KX_MODL_FAULT_TOPOLOGY, 875314)              \
    X(KX_MODL_FAULT_POINT_ON_SURFACE, 875315)      \
    X(KX_MODL_FAULT_NO_CURVE, 875316)              \
    X(KX_MODL_FAULT_SELF_INTERSECT, 875317)        \
    X(KX_MODL_FAULT_SAME_PARAMETER, 875318)        \
    X(KX_MODL_FAULT_NOT_CONNECTED, 875319)         \
    X(KX_MODL_FAULT_REDUNDANT, 875320)             \
    X(KX_MODL_FAULT_LOOP_ORDER, 875321)            \
    X(KX_MODL_FAULT_NOT_CLOSED, 875322)            \
    X(KX_MODL_FAULT_BAD_LOOP, 875323)              \
    X(KX_MODL_FAULT_13820, 875324)                 \
    X(KX_MODL_FAULT_13821, 875325)                 \
    X(KX_MODL_FAULT_13822, 875326)                 \
    X(KX_MODL_FAULT_13823, 875327)                 \
    X(KX_MODL_FAULT_13824, 875328)                 \
    X(KX_MODL_FAULT_13825, 875329)                 \
    X(KX_MODL_FAULT_13826, 875330)                 \
    X(KX_MODL_FAULT_13827, 875331)                 \
    X(KX_MODL_FAULT_13828, 875332)                 \
    X(KX_MODL_FAULT_EMPTY, 875333)                 \
    X(KX_MODL_FAULT_13829, 875334)                 \
    X(KX_MODL_FAULT_13830, 875335)                 \
    X(KX_MODL_FAULT_13831, 875336)                 \
    X(KX_MODL_FAULT_13835, 875337)                 \
    X(KX_MODL_FAULT_13833, 875338)                 \
    X(KX_MODL_FAULT_13834, 875339)                 \
    X(KX_MODL_FAULT_OTHER, 875340)                 \
    X(KX_MODL_FAULT_13832, 875341)                 \
    X(KX_MODL_FAULT_UNKNOWN, 875342)               \
    X(KX_MODL_ERR_STRUCTURE_CHECK_FAILED, 875343)

/* Codes of the facet service (a band of the host's own): the interface
 * raises them with these texts, which are their messages; the band is not
 * one of the interface's message tables. */
#define KX_FACET_CODES(X)                                                                                         \
    X(KX_FACET_ERR_INVALID_MODEL, 1165001, "Invalid model")                                                       \
    X(KX_FACET_ERR_INVALID_FACET, 1165002, "Invalid facet id")                                                    \
    X(KX_FACET_ERR_INVALID_VERTEX, 1165003, "Invalid vertex id")                                                  \
    X(KX_FACET_ERR_INVALID_EDGE, 1165004, "Invalid edge id")                                                      \
    X(KX_FACET_ERR_EDGE_NOT_FOUND, 1165008, "")                                                                   \
    X(KX_FACET_ERR_INSUFFICIENT_VERTICES, 1165009, "Insufficient vertices")                                       \
    X(KX_FACET_ERR_OCCURRENCE, 1165010, "Cannot edit occurrence")                                                 \
    X(KX_FACET_ERR_DEGENERATE, 1165019, "Degenerate facet")                                                       \
    X(KX_FACET_ERR_VERSION, 1165021,                                                                              \
      "Invalid Version number. Please check kx_facet.h for instructions on how to initialize the version number " \
      "correctly")                                                                                                \
    X(KX_FACET_ERR_INVALID_FACE, 1165030, "Invalid face id")                                                      \
    X(KX_FACET_ERR_INVALID_SOLID_FACE, 1165031, "Invalid solid face tag")

/* Codes of the redefinition of a feature's references (no text in the
 * interface's tables). */
#define KX_MODL_REDEF_CODES(X)                     \
    X(KX_MODL_ERR_OTHER_BODY, 875166)              \
    X(KX_MODL_ERR_NEWER_THAN_FEATURE, 875167)      \
    X(KX_MODL_ERR_NOT_GROOVE_TARGET, 875168)       \
    X(KX_MODL_ERR_GROOVE_SIDE, 875169)             \
    X(KX_MODL_ERR_EDGE_NOT_STRAIGHT, 875170)       \
    X(KX_MODL_ERR_THRU_SUBTYPE, 875306)            \
    X(KX_MODL_ERR_THRU_IS_TARGET, 875307)          \
    X(KX_MODL_ERR_NOT_REPLACEABLE, 875363)         \
    X(KX_MODL_ERR_NOT_VALID_REPLACEMENT, 875364)   \
    X(KX_MODL_ERR_TRIM_FACE_OF_UDF, 672248)

/* Codes of the user-defined-feature steps (no text in the interface's
 * tables; 672248 is KX_MODL_ERR_TRIM_FACE_OF_UDF above). */
#define KX_MODL_UDF_CODES(X)                      \
    X(KX_MODL_ERR_UDF_PLACEMENT_MISSING, 670051)  \
    X(KX_MODL_ERR_UDF_TRIM_NOT_UDF, 670219)       \
    X(KX_MODL_ERR_UDF_BAD_PLACEMENT, 670269)      \
    X(KX_MODL_ERR_UDF_IMPORT_FAILED, 670270)      \
    X(KX_MODL_ERR_UDF_BAD_OWN_FACE, 670329)       \
    X(KX_MODL_ERR_UDF_BAD_TRIM_FACE, 670352)      \
    X(KX_MODL_ERR_UDF_NOT_PLACED, 670385)         \
    X(KX_MODL_ERR_NOT_A_UDF, 672034)              \
    X(KX_MODL_ERR_UDF_NEEDS_TARGET, 672039)       \
    X(KX_MODL_ERR_NO_TOP_TARGET, 672230)
/* Codes of the free-form creators (no text in the interface's tables:
 * the host registers them). Role bands: per string role the codes of the
 * validation classes 1, 2, 4, 5, 6 and of a count out of range; FF_ codes
 * are host answers translated without a meaning of their own here. */
#define KX_MODL_FREEFORM_CODES(X)                        \
    X(KX_MODL_ERR_SECTION_METHOD, 875054) \
    X(KX_MODL_ERR_ALIGNMENT, 875055) \
    X(KX_MODL_ERR_MESH_METHOD, 875056) \
    X(KX_MODL_ERR_END_OPTION, 875057) \
    X(KX_MODL_ERR_STRINGS_NOT_CHAINED, 875058) \
    X(KX_MODL_ERR_PATCH_KIND, 875059) \
    X(KX_MODL_ERR_DEGREE, 875060) \
    X(KX_MODL_ERR_CLOSED_FLAG, 875061) \
    X(KX_MODL_ERR_FF_062, 875062) \
    X(KX_MODL_ERR_SCALING_SUB_METHOD, 875063) \
    X(KX_MODL_ERR_FF_064, 875064) \
    X(KX_MODL_ERR_FF_065, 875065) \
    X(KX_MODL_ERR_SCALING_METHOD, 875066) \
    X(KX_MODL_ERR_FF_067, 875067) \
    X(KX_MODL_ERR_FF_068, 875068) \
    X(KX_MODL_ERR_FF_069, 875069) \
    X(KX_MODL_ERR_FF_070, 875070) \
    X(KX_MODL_ERR_FF_071, 875071) \
    X(KX_MODL_ERR_ORIENTATION_METHOD, 875072) \
    X(KX_MODL_ERR_FF_073, 875073) \
    X(KX_MODL_ERR_FF_074, 875074) \
    X(KX_MODL_ERR_GUIDE_CLASS_6, 875075) \
    X(KX_MODL_ERR_GUIDE_CLASS_2, 875076) \
    X(KX_MODL_ERR_GUIDE_CLASS_4, 875077) \
    X(KX_MODL_ERR_GUIDE_CLASS_5, 875078) \
    X(KX_MODL_ERR_GUIDE_COUNT, 875079) \
    X(KX_MODL_ERR_GUIDE_CLASS_1, 875080) \
    X(KX_MODL_ERR_SECTION_CLASS_6, 875081) \
    X(KX_MODL_ERR_SECTION_CLASS_2, 875082) \
    X(KX_MODL_ERR_SECTION_CLASS_4, 875083) \
    X(KX_MODL_ERR_SECTION_CLASS_5, 875084) \
    X(KX_MODL_ERR_SECTION_COUNT, 875085) \
    X(KX_MODL_ERR_SECTION_CLASS_1, 875086) \
    X(KX_MODL_ERR_SPINE_CLASS_6, 875087) \
    X(KX_MODL_ERR_SPINE_CLASS_2, 875088) \
    X(KX_MODL_ERR_SPINE_CLASS_4, 875089) \
    X(KX_MODL_ERR_SPINE_CLASS_5, 875090) \
    X(KX_MODL_ERR_SPINE_COUNT, 875091) \
    X(KX_MODL_ERR_SPINE_CLASS_1, 875092) \
    X(KX_MODL_ERR_PRIMARY_CLASS_6, 875093) \
    X(KX_MODL_ERR_PRIMARY_CLASS_2, 875094) \
    X(KX_MODL_ERR_PRIMARY_CLASS_4, 875095) \
    X(KX_MODL_ERR_PRIMARY_CLASS_5, 875096) \
    X(KX_MODL_ERR_PRIMARY_COUNT, 875097) \
    X(KX_MODL_ERR_PRIMARY_CLASS_1, 875098) \
    X(KX_MODL_ERR_CROSS_CLASS_6, 875099) \
    X(KX_MODL_ERR_CROSS_CLASS_2, 875100) \
    X(KX_MODL_ERR_CROSS_CLASS_4, 875101) \
    X(KX_MODL_ERR_CROSS_CLASS_5, 875102) \
    X(KX_MODL_ERR_CROSS_COUNT, 875103) \
    X(KX_MODL_ERR_CROSS_CLASS_1, 875104) \
    X(KX_MODL_ERR_STRINGS_CLASS_7, 875105) \
    X(KX_MODL_ERR_SPINE_CONDITION, 875112) \
    X(KX_MODL_ERR_SPINE_NOT_PERPENDICULAR, 875113) \
    X(KX_MODL_ERR_MESH_FLAG, 875192) \
    X(KX_MODL_ERR_FF_240, 875240) \
    X(KX_MODL_ERR_FF_372, 875372) \
    X(KX_MODL_ERR_FF_373, 875373) \
    X(KX_MODL_ERR_FF_377, 875377) \
    X(KX_MODL_ERR_FF_385, 875385) \
    /* sheets from faces, sheets and points */ \
    X(KX_MODL_ERR_FACE_PARAMETERS, 875149) \
    X(KX_MODL_ERR_OFFSET_NOT_MADE, 875156) \
    X(KX_MODL_ERR_THICKEN_NOT_SHEET, 671350) \
    X(KX_MODL_ERR_THICKEN_FAILED, 875187) \
    X(KX_MODL_ERR_THICKEN_OFFSET, 875188) \
    X(KX_MODL_ERR_UNITE_FAILED, 670030) \
    X(KX_MODL_ERR_INTERSECT_FAILED, 670033) \
    X(KX_MODL_ERR_TARGET_NOT_SOLID, 670440) \
    X(KX_MODL_ERR_EDGE_DIRECTION, 875050) \
    X(KX_MODL_ERR_TOO_MANY_SIDES, 875206) \
    X(KX_MODL_ERR_BRIDGE_INPUT, 875181) \
    X(KX_MODL_ERR_BRIDGE_FAILED, 875185) \
    X(KX_MODL_ERR_POINT_COUNT, 875200) \
    X(KX_MODL_ERR_ORIENTATION, 875139) \
    X(KX_MODL_ERR_BOUNDARY_NOT_CONVEX, 875037) \
    X(KX_MODL_ERR_DEGREE_U, 875199) \
    X(KX_MODL_ERR_PATCHES, 875201) \
    X(KX_MODL_ERR_CLOUD_OPTION, 875204) \
    X(KX_MODL_ERR_TOO_FEW_POINTS, 875202) \
    X(KX_MODL_ERR_LATER_FEATURES, 875345) \
    X(KX_MODL_ERR_NOT_REVERSIBLE, 875158) \
    X(KX_MODL_ERR_REVERSE_FAILED, 875344) \
    /* trimmed and enlarged sheets */ \
    X(KX_MODL_ERR_ENLARGE_NOT_MADE, 875369) \
    X(KX_MODL_ERR_ENLARGE_PERCENT, 875370) \
    X(KX_MODL_ERR_ENLARGE_SUM, 875371) \
    X(KX_MODL_ERR_ENLARGE_CLOSED, 875375) \
    X(KX_MODL_ERR_ENLARGE_TYPE, 875376) \
    X(KX_MODL_ERR_PROJECTION_METHOD, 671231) \
    X(KX_MODL_ERR_FEATURE_NOT_LOADED, 670079)

#define KX_CODE_CONSTANT(name, code, text) name = code,
#define KX_HOST_CODE_CONSTANT(name, code)  name = code,

enum kx_general_code { KX_GENERAL_CODES(KX_CODE_CONSTANT) };
enum kx_csys_code { KX_CSYS_CODES(KX_CODE_CONSTANT) };
enum kx_plot_code { KX_PLOT_CODES(KX_CODE_CONSTANT) };
enum kx_obj_code { KX_OBJ_CODES(KX_CODE_CONSTANT) };
enum kx_view_code { KX_VIEW_CODES(KX_CODE_CONSTANT) };
enum kx_drf_code { KX_DRF_CODES(KX_CODE_CONSTANT) };
enum kx_ui_code { KX_UI_CODES(KX_CODE_CONSTANT) };
enum kx_cam_code { KX_CAM_CODES(KX_CODE_CONSTANT) };
enum kx_disp_code { KX_DISP_CODES(KX_CODE_CONSTANT) };
enum kx_draw_code { KX_DRAW_CODES(KX_CODE_CONSTANT) };
enum kx_smd_code { KX_SMD_CODES(KX_CODE_CONSTANT) };
enum kx_curve_code { KX_CURVE_CODES(KX_CODE_CONSTANT) };
enum kx_stl_code { KX_STL_CODES(KX_CODE_CONSTANT) };
enum kx_cam_prepro_code { KX_CAM_PREPRO_CODES(KX_CODE_CONSTANT) };
enum kx_so_code { KX_SO_CODES(KX_CODE_CONSTANT) };
enum kx_clone_code { KX_CLONE_CODES(KX_CODE_CONSTANT) };
enum kx_host_code { KX_HOST_CODES(KX_HOST_CODE_CONSTANT) };
enum kx_facet_code { KX_FACET_CODES(KX_CODE_CONSTANT) };
enum kx_modl_geometry_code { KX_MODL_GEOMETRY_CODES(KX_HOST_CODE_CONSTANT) };
enum kx_modl_redef_code { KX_MODL_REDEF_CODES(KX_HOST_CODE_CONSTANT) };
enum kx_modl_udf_code { KX_MODL_UDF_CODES(KX_HOST_CODE_CONSTANT) };
enum kx_modl_freeform_code { KX_MODL_FREEFORM_CODES(KX_HOST_CODE_CONSTANT) };

#endif

$ Axis X drive
10.1	Max speed	3000	rpm
10.2	Acceleration ramp	250	ms
10.3	Deceleration ramp	250	ms
10.4	Current limit	12.5	A
10.5	Following error window	0.05	mm
10.6	In-position window	0.01	mm
10.7	!Encoder resolution	4096	inc/rev
10.8	Gear ratio numerator	7	
10.9	Gear ratio denominator	2	
10.10	Software limit +	1200	mm
10.11	Software limit -	-5	mm
$ Axis Y drive
11.1	Max speed	2800	rpm
11.2	Acceleration ramp	300	ms
11.3	Deceleration ramp	300	ms
11.4	Current limit	10.0	A
11.5	Following error window	0.05	mm
11.6	In-position window	0.01	mm
11.7	!Encoder resolution	4096	inc/rev
11.8	Gear ratio numerator	5	
11.9	Gear ratio denominator	1	
11.10	Software limit +	800	mm
11.11	Software limit -	-5	mm
$ Spindle
12.1	Max speed	12000	rpm
12.2	Orientation angle	45.0	deg
12.3	Ramp up time	2.5	s
12.4	Torque limit	38	Nm
12.5	Coolant delay	1.5	s
12.9	Spindle warm-up	30	s
12.6	Tool clamp pressure	6.2	bar
$ Safety
13.1	Door lock delay	3	s
13.2	Safe speed	2000	mm/min
13.3	Two-hand timeout	500	ms
13.4	Light curtain muting	0	
